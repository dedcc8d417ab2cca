#include "WindowLoader.h"

#include "AppLogging.h"
#include "ui/AppWindow.h"

#include <QCoreApplication>

WindowLoader::WindowLoader(MacRemoteService& service)
    : m_service(service)
    // Where it is installed, from the binary's folder; the build tree keeps the same layout.
    , m_library(QCoreApplication::applicationDirPath() + QStringLiteral("/" QUORVELANTIS_VIEWS_LIBRARY))
{
    // A symbol missing from the app's binary fails the load with its name, not a later call.
    m_library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
}

WindowLoader::~WindowLoader() = default;

bool WindowLoader::show()
{
    if (!m_window) {
        using Create = AppWindow* (*)(MacRemoteService&);
        const auto create = reinterpret_cast<Create>(m_library.resolve("createMainWindow"));
        if (!create) {
            qCWarning(lcApp, "Cannot load the window: %s", qPrintable(m_library.errorString()));
            return false;
        }
        m_window.reset(create(m_service));
    }
    return m_window->show();
}
