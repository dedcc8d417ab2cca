#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "TrayIcon.h"
#include "WindowLoader.h"
#include "platform/linux/ChosenKeys.h"
#include "platform/linux/ChosenPointerOverlay.h"
#include "platform/linux/FocusedWindowChoice.h"
#include "platform/linux/GetifaddrsNetworkInterfaces.h"
#include "platform/linux/QtSettings.h"
#include "platform/linux/ScreenPictureChoice.h"
#include "service/MacRemoteService.h"
#include "service/Translation.h"
#include "transport/NetworkThread.h"
#include "transport/http/HttpServerListener.h"
#include "transport/http/OpenFileLimit.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QCommandLineParser>
#include <QGuiApplication>

int main(int argc, char* argv[])
{
    // Before any thread or socket exists, so every connection counts against the raised limit.
    raiseOpenFileLimit();
    QGuiApplication app(argc, argv);
    // QSettings keeps the port under these names.
    QGuiApplication::setOrganizationName(QStringLiteral("Quorvelantis"));
    QGuiApplication::setApplicationName(QStringLiteral("QuorvelantisRemote"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quorvelantis Remote"));
    // Names the window after the menu entry, so the desktop shows its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvelantis.Remote"));

    QCommandLineParser arguments;
    const QCommandLineOption hidden(QStringLiteral("hidden"), QStringLiteral("Serve without showing the window."));
    arguments.addOption(hidden);
    arguments.addHelpOption();
    arguments.process(app);

    // A second launch shows the running window and leaves, before it could compete for the ports.
    SingleInstance instance;
    if (!instance.claim())
        return 0;
    installTranslation(app);
    TerminationSignals terminationSignals;

    // ---- Platform and the one service ----
    // Declared in the order they must outlive each other: the service goes first, the network thread last.
    NetworkThread network;
    const std::unique_ptr<ChosenKeys> keys = ChosenKeys::forThisSession();
    QtSettings settings;
    GetifaddrsNetworkInterfaces interfaces;
    WebSocketPeerLink peerLink(network);
    HttpServerListener::Factory httpListeners(network, peerLink.port());
    // Qt names its windows after the desktop file on Wayland, after the application under Xwayland.
    const std::unique_ptr<FocusedWindow> focusedWindow
        = createFocusedWindow({ QGuiApplication::desktopFileName(), QGuiApplication::applicationName() });
    ChosenPointerOverlay pointerOverlay;
    const std::unique_ptr<ScreenPicture> screenPicture = createScreenPicture();
    MacRemoteService service(
        { *keys, settings, interfaces, peerLink, httpListeners, *focusedWindow, pointerOverlay, *screenPicture });
    // The page's WebSocket comes from the port that serves it: a port being tried, or refused, is not that one.
    peerLink.setPagePort(quint16(service.httpPort()));
    QObject::connect(&service, &MacRemoteService::httpPortChanged, &peerLink,
        [&] { peerLink.setPagePort(quint16(service.httpPort())); });

    // ---- Window ----
    // Declared after the service, so the views are gone before it.
    WindowLoader window(service);
    TrayIcon tray(service, window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] { window.show(); });
    // Started with the session: only the tray icon shows, and the window waits for it or for another launch.
    if (!arguments.isSet(hidden) && !window.show())
        return 1;
    return app.exec();
}
