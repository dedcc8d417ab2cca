#pragma once

#include "PeerSessionServer.h"
#include "PublishingThread.h"
#include "platform/PeerLink.h"

#include <QPointer>
#include <memory>

class QThread;

// The peer link on Linux: WebSocket sessions on the network thread, published through DNS-SD from a thread of
// its own. Made and used on the main thread; the server's signals reach it queued.
class WebSocketPeerLink : public PeerLink {
    Q_OBJECT

public:
    // How long quitting waits for the publishing thread to withdraw the service.
    static constexpr int publishingStopTimeout = 300;

    explicit WebSocketPeerLink(QThread& networkThread, PeerSessionServer::Timing timing = {});
    ~WebSocketPeerLink() override;

    // The port the sessions are served on, 0 when the server could not listen.
    quint16 port() const { return m_port; }

    // serviceType "quorvelantis" is published as the DNS-SD type "_quorvelantis._tcp".
    void startAdvertising(const QString& displayName, const QString& serviceType) override;
    void offerText(quint64 delivery, const TextPayload& text) override;
    void withdrawText() override;
    void publishKeyTarget(const KeyTarget& target, const QString& programName) override;
    void answerTap(const PageTap& tap, bool pressed) override;
    void setPhoneKeys(const PhoneKeys& keys) override;
    void publishPicture(const QByteArray& jpeg) override;
    // The HTTP port the remote page is served from; handshakes from any other page are refused.
    void setPagePort(quint16 port);

private:
    QThread& m_thread;
    QPointer<PeerSessionServer> m_server;
    quint16 m_port = 0;
    std::unique_ptr<PublishingThread> m_publishing;
};
