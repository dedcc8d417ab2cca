#include "ViewSingletons.h"

#include <QJSEngine>
#include <QtQml/qqmlextensionplugin.h>

// The module is a static plugin: whoever provides the singletons gets its types registered too.
Q_IMPORT_QML_PLUGIN(Quorvelantis_RemotePlugin)

namespace {
MacRemoteService* providedService = nullptr;
} // namespace

void provideViewSingletons(MacRemoteService& service) { providedService = &service; }

MacRemoteService* RemoteServiceSingleton::create(QQmlEngine*, QJSEngine*)
{
    Q_ASSERT_X(providedService, "RemoteService", "provideViewSingletons must run before the views load");
    // The service belongs to the application, not to the engine that asked for it.
    QJSEngine::setObjectOwnership(providedService, QJSEngine::CppOwnership);
    return providedService;
}
