// The one entry of the views' library, which the app loads at the window's first show.

#include "MainWindow.h"
#include "SceneGraphBackend.h"
#include "SystemIconFont.h"
#include "ViewSingletons.h"

// Called once, before any window exists; the service must outlive the window returned.
extern "C" Q_DECL_EXPORT AppWindow* createMainWindow(MacRemoteService& service)
{
    chooseSceneGraphBackend();
    hideIconFontWebCopies();
    provideViewSingletons(service);
    return new MainWindow;
}
