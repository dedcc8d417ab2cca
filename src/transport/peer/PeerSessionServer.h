#pragma once

#include "AvahiServicePublisher.h"
#include "GuardedPeerLinkDelegate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QWebSocketServer>
#include <chrono>
#include <map>
#include <memory>

class QWebSocket;
class QWebSocketCorsAuthenticator;

// The WebSocket side of the peer link, living on the network thread: every accepted handshake is one peer.
// Peer events go to the delegate; changes of the connected set are also signalled, before the delegate hears of
// them, so that a receiver on another thread sees the set change ahead of the delegate's queued work.
class PeerSessionServer : public QObject {
    Q_OBJECT

public:
    struct Timing {
        std::chrono::milliseconds pingInterval { 5000 };
        // A peer that answers nothing for this long is taken for gone.
        std::chrono::milliseconds answerTimeout { 15000 };
    };

    static constexpr qint64 maxMessageSize = 1024 * 1024;

    PeerSessionServer(GuardedPeerLinkDelegate& delegate, Timing timing);
    ~PeerSessionServer() override;

    // Listens on a port the OS picks, on every address; 0 when that failed.
    quint16 listen();
    // Publishes the listening port under the name and the DNS-SD type.
    void startAdvertising(const QString& displayName, const QByteArray& dnsSdType);
    // Sends one binary message to each of the peers; true when every one of them is connected and took it.
    bool sendTo(const QList<quint64>& peers, const QByteArray& data);

Q_SIGNALS:
    void peerConnectedChanged(quint64 peer, bool connected);

private:
    struct Peer {
        QWebSocket* socket;
        QElapsedTimer sinceAnswer;
    };

    void answerInvitation(QWebSocketCorsAuthenticator* authenticator);
    void takeConnections();
    void handshakeFailed();
    void receive(quint64 peer, const QByteArray& data);
    void markAnswered(quint64 peer);
    void endSession(quint64 peer);
    void pingOrReap();

    GuardedPeerLinkDelegate& m_delegate;
    const Timing m_timing;
    // Members with this as parent, so that they move to the network thread along with it.
    QWebSocketServer m_server;
    // An accepted handshake that has not yet become a connection: it ends as one, or as a handshake failure.
    bool m_invitationPending = false;
    quint64 m_nextPeer = 1;
    std::map<quint64, Peer> m_peers;
    QTimer m_pingTimer;
    std::unique_ptr<AvahiServicePublisher> m_publisher;
};
