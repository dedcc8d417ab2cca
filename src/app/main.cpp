#include "platform/linux/GetifaddrsNetworkInterfaces.h"
#include "platform/linux/LinuxKeys.h"
#include "platform/linux/QSettingsIntegerSettings.h"
#include "platform/linux/QtRepeatingTimer.h"
#include "service/MacRemoteService.h"
#include "transport/NetworkThread.h"
#include "transport/http/OpenFileLimit.h"
#include "transport/http/TcpHttpListenerFactory.h"
#include "transport/peer/WebSocketPeerLink.h"

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

    // Declared in the order they must outlive each other: the service goes first, the network thread last.
    NetworkThread network;
    LinuxKeys keys = createLinuxKeys();
    QtTimerFactory timers;
    QSettingsIntegerSettings settings;
    GetifaddrsNetworkInterfaces interfaces;
    WebSocketPeerLink peerLink(network);
    TcpHttpListenerFactory httpListeners(network);
    MacRemoteService service({ *keys.poster, *keys.permission, timers, settings, interfaces, peerLink, httpListeners });

    QQmlApplicationEngine engine;
    engine.loadData(R"(import QtQuick
Window { width: 620; minimumWidth: 620; maximumWidth: 620; height: 680; minimumHeight: 680
         color: "#F6F1E8"; title: "Quorvelantis Remote"; visible: true })");
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
