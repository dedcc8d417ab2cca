#include "platform/linux/GetifaddrsNetworkInterfaces.h"
#include "platform/linux/LinuxKeys.h"
#include "platform/linux/QSettingsIntegerSettings.h"
#include "platform/linux/QtRepeatingTimer.h"
#include "service/MacRemoteService.h"
#include "transport/NetworkThread.h"
#include "transport/http/HttpServerListener.h"
#include "transport/http/OpenFileLimit.h"
#include "transport/peer/WebSocketPeerLink.h"
#include "ui/MainWindow.h"
#include "ui/SceneGraphBackend.h"
#include "ui/SystemClipboard.h"
#include "ui/ViewSingletons.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char* argv[])
{
    // Before any thread or socket exists, so every connection counts against the raised limit.
    raiseOpenFileLimit();
    QGuiApplication app(argc, argv);
    // QSettings keeps the port under these names.
    QGuiApplication::setOrganizationName(QStringLiteral("Quorvelantis"));
    QGuiApplication::setApplicationName(QStringLiteral("QuorvelantisRemote"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quorvelantis Remote"));

    // ---- Platform and the one service ----
    // Declared in the order they must outlive each other: the service goes first, the network thread last.
    NetworkThread network;
    LinuxKeys keys = createLinuxKeys();
    QtTimerFactory timers;
    QSettingsIntegerSettings settings;
    GetifaddrsNetworkInterfaces interfaces;
    WebSocketPeerLink peerLink(network);
    HttpServerListener::Factory httpListeners(network);
    MacRemoteService service(
        { *keys.injector, *keys.permission, timers, settings, interfaces, peerLink, httpListeners });

    // ---- Window ----
    // Declared after the service, so the views are gone before it.
    chooseSceneGraphBackend();
    SystemClipboard clipboard;
    provideViewSingletons(service, clipboard);
    QQmlApplicationEngine engine;
    if (!loadMainWindow(engine))
        return 1;
    return app.exec();
}
