#pragma once

#include "platform/PeerLink.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <QWebSocketServer>
#include <chrono>
#include <map>
#include <vector>

class QWebSocket;

// The WebSocket side of the peer link, living on the network thread: every accepted handshake is one peer.
// Everything it reports goes out as signals, each event once, carrying what a receiver needs.
class PeerSessionServer : public QObject {
    Q_OBJECT

public:
    struct Timing {
        std::chrono::milliseconds pingInterval { 5000 };
        // A peer that shows no life, or leaves bytes unread, for this long is taken for gone.
        std::chrono::milliseconds answerTimeout { 15000 };
    };

    static constexpr quint16 firstPort = 4778;
    static constexpr qint64 maxMessageSize = 1024 * 1024;
    // What may wait to be written to one peer; past it the peer is not reading and its session ends.
    static constexpr qint64 maxBytesWaiting = 4 * 1024 * 1024;

    explicit PeerSessionServer(Timing timing);
    ~PeerSessionServer() override;

    // Listens on every address at firstPort, or the next free port above it; 0 when none was free.
    quint16 listen();
    // Sends one binary message to each connected peer and reports once, delivered or undelivered.
    void send(quint64 delivery, const QByteArray& data);

Q_SIGNALS:
    void peerStateChanged(PeerState state, int connectedPeers);
    void messageReceived(const QByteArray& data);
    void delivered(quint64 delivery);
    void undelivered(quint64 delivery);

private:
    struct Peer {
        QWebSocket* socket;
        QElapsedTimer sinceLife;
        // Invalid while nothing waits to be written.
        QElapsedTimer undrainedFor;
        // The payload of our latest ping: only its pong counts as an answer.
        QByteArray awaitedPong;
        // Sent before the latest ping and not yet confirmed by its pong.
        std::vector<quint64> unconfirmed;
    };

    void upgradeConnections();
    void answerInvitation();
    void takeConnections();
    void handshakeFailed();
    void receive(quint64 peer, const QByteArray& data);
    void answered(quint64 peer, const QByteArray& payload);
    void ping(Peer& peer);
    bool isOverBacklog(const Peer& peer) const;
    void endSession(quint64 peer);
    void pingOrReap();

    const Timing m_timing;
    // Members with this as parent, so that they move to the network thread along with it.
    QWebSocketServer m_server;
    // Accepts the connections and hands them to m_server, which upgrades them.
    QTcpServer m_listener;
    // Accepted handshakes not yet connections: each ends as one, or as a handshake failure.
    int m_invitationsPending = 0;
    quint64 m_nextPeer = 1;
    std::map<quint64, Peer> m_peers;
    // For each delivery not yet confirmed, how many of the peers it went to are still there.
    std::map<quint64, int> m_deliveryRecipients;
    QTimer m_pingTimer;
};
