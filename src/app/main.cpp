#include "platform/linux/GetifaddrsNetworkInterfaces.h"
#include "platform/linux/LinuxKeys.h"
#include "platform/linux/QSettingsIntegerSettings.h"
#include "platform/linux/QtRepeatingTimer.h"
#include "service/MacRemoteService.h"
#include "transport/HttpListener.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"
#include "ui/MainWindow.h"
#include "ui/SystemClipboard.h"
#include "ui/ViewSingletons.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>

namespace {

// Interim stand-in until the HTTP backend is wired here: no port can be opened.
struct NoHttpListeners : HttpListenerFactory {
    std::unique_ptr<HttpListener> listen(quint16, Callbacks) override { return nullptr; }
};

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    // QSettings keeps the port under these names.
    QGuiApplication::setOrganizationName(QStringLiteral("Quorvelantis"));
    QGuiApplication::setApplicationName(QStringLiteral("QuorvelantisRemote"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quorvelantis Remote"));

    // ---- Platform and the one service ----
    NetworkThread networkThread;
    LinuxKeys keys = createLinuxKeys();
    QtTimerFactory timers;
    QSettingsIntegerSettings settings;
    GetifaddrsNetworkInterfaces interfaces;
    WebSocketPeerLink peerLink(networkThread);
    NoHttpListeners httpListeners;
    MacRemoteService service({ *keys.poster, *keys.permission, timers, settings, interfaces, peerLink, httpListeners });

    // ---- Window ----
    SystemClipboard clipboard;
    provideViewSingletons(service, clipboard);
    QQmlApplicationEngine engine;
    if (!loadMainWindow(engine))
        return 1;
    return app.exec();
}
