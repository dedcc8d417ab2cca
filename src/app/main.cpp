#include "platform/AccessibilityPermission.h"
#include "platform/KeyEventPoster.h"
#include "platform/PeerLink.h"
#include "platform/linux/GetifaddrsNetworkInterfaces.h"
#include "platform/linux/QSettingsIntegerSettings.h"
#include "platform/linux/QtRepeatingTimer.h"
#include "service/MacRemoteService.h"
#include "transport/HttpListener.h"
#include "ui/MainWindow.h"
#include "ui/SystemClipboard.h"
#include "ui/ViewSingletons.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>

namespace {

// Interim stand-ins until the key, peer-link and HTTP backends are wired here: no key can be posted, nothing is
// advertised, and no port can be opened.
struct NoKeys : KeyEventPoster {
    std::optional<KeyEvent> makeKeyEvent(quint16, bool) override { return std::nullopt; }
    void post(const KeyEvent&) override { }
};

struct NoPermission : AccessibilityPermission {
    bool isTrusted() override { return false; }
    void resetRecord() override { }
    void requestPrompt() override { }
};

struct NoPeerLink : PeerLink {
    void setDelegate(PeerLinkDelegate*) override { }
    void startAdvertising(const QString&, const QString&) override { }
    bool hasConnectedPeers() const override { return false; }
    bool sendToConnectedPeers(const QByteArray&) override { return false; }
};

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
    NoKeys keys;
    NoPermission permission;
    QtTimerFactory timers;
    QSettingsIntegerSettings settings;
    GetifaddrsNetworkInterfaces interfaces;
    NoPeerLink peerLink;
    NoHttpListeners httpListeners;
    MacRemoteService service({ keys, permission, timers, settings, interfaces, peerLink, httpListeners });

    // ---- Window ----
    SystemClipboard clipboard;
    provideViewSingletons(service, clipboard);
    QQmlApplicationEngine engine;
    if (!loadMainWindow(engine))
        return 1;
    return app.exec();
}
