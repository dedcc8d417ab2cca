#pragma once

#include "RemoteMessage.h"
#include "platform/PeerLink.h"
#include "transport/HostPolicy.h"
#include "transport/PhoneKeyCheck.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QWebSocketServer>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <variant>
#include <vector>

class QSocketNotifier;
class QTcpSocket;
class QWebSocket;
class QWebSocketCorsAuthenticator;

// A slide command as it came: from the phone app, or tapped on the remote page, which waits for an answer.
using PeerCommand = std::variant<RemoteCommand, PageTap>;

// The WebSocket side of the peer link, living on the network thread: every accepted handshake is one peer.
// Everything it reports goes out as signals, each event once, carrying what a receiver needs.
class PeerSessionServer : public QObject {
    Q_OBJECT

public:
    struct Timing {
        std::chrono::milliseconds pingInterval { 5000 };
        // A peer that does not answer our pings, or leaves bytes unread, for this long is taken for gone.
        std::chrono::milliseconds answerTimeout { 15000 };
        // A connection whose opening handshake has not ended by then is closed.
        std::chrono::milliseconds handshakeTimeout { 10000 };
    };

    static constexpr quint16 firstPort = 4778;
    static constexpr qint64 maxMessageSize = 1024 * 1024;
    // What may wait to be written to one peer, in Qt's buffer and the kernel's; past it the peer is not reading and
    // its session ends.
    static constexpr qint64 maxBytesWaiting = 4 * 1024 * 1024;
    // The same across all peers: past it the sessions holding most end first.
    static constexpr qint64 maxBytesWaitingInAll = 16 * 1024 * 1024;
    // Connections held at once, handshakes included; the newest beyond it are refused.
    static constexpr std::size_t maxSessions = 32;
    static constexpr qint64 maxHandshakeSize = 8 * 1024;
    // Messages of one peer waiting while the main thread is still busy with the last group; past it the peer is
    // sending faster than anyone presses a key, and its session ends.
    static constexpr int maxMessagesWaiting = 64;

    explicit PeerSessionServer(Timing timing);
    ~PeerSessionServer() override;

    // Listens on every address at firstPort, or the next free port above it; 0 when none was free.
    quint16 listen();
    // The HTTP port the remote page is served from: a browser's handshake may come from that page.
    void setPagePort(quint16 port) { m_pagePort = port; }
    // Sends the text to each connected peer, and to each that joins, until one shows it read it (delivered) or
    // another text or withdrawText() replaces it.
    void offerText(quint64 delivery, const TextPayload& text);
    void withdrawText() { m_offer.reset(); }
    // Tells the pages that asked, now and whenever it changes.
    void publishKeyTarget(const KeyTarget& target, const QString& programName);
    // The main thread is done with the last group of commands: the next may go.
    void takeCommands();
    // Tells the page that tapped, if it is still connected.
    void answerTap(const PageTap& tap, bool pressed);
    // Handshakes from now on are checked against these; sessions they no longer let in end.
    void setPhoneKeys(const PhoneKeys& keys);
    // Sends the picture to the pages that asked, or keeps it for one still writing the last: only the newest waits.
    void publishPicture(const QByteArray& jpeg);

Q_SIGNALS:
    void peerStateChanged(PeerState state, int connectedPeers);
    // Commands in the order they came in; the next group waits for takeCommands().
    void commandsReceived(const std::vector<PeerCommand>& commands);
    void delivered(quint64 delivery);
    void keyedSessionsChanged(const QList<QByteArray>& keyHashes);
    // A page's finger on its pad; lifted too when its session ends with the finger down.
    void pointerMoved(QPointF position);
    void pointerLifted();
    // Handshakes refused for want of a valid key, gathered over a short while so a flood costs few reports.
    void refused(const QString& address, int count);
    void pictureRequested();
    void pictureWatchersChanged(int watchers);

private:
    struct Peer {
        QWebSocket* socket;
        int descriptor;
        QElapsedTimer sinceLife;
        // Invalid while nothing waits to be written.
        QElapsedTimer undrainedFor;
        // The payload of our latest ping: only its pong counts as an answer.
        QByteArray awaitedPong;
        // The offer sent before the latest ping and not yet confirmed by its pong; 0 for none.
        quint64 unconfirmedOffer = 0;
        int commandsWaiting = 0;
        // A page that asked to be told where the keys go.
        bool watchesKeyTarget = false;
        // The hash of the key its handshake carried, while keys are required.
        QByteArray keyHash = {};
        // Its finger is on the pointer pad.
        bool isPointing = false;
        // A page let in by its key that asked for the screen's pictures.
        bool watchesPicture = false;
        // The newest picture waits until the page's socket has written out the one before.
        bool isPictureDue = false;
    };
    struct Offer {
        quint64 delivery;
        QByteArray message;
    };

    void acceptConnections();
    // Once the handshake's head is in, hands it on if its key lets it in, and refuses it otherwise.
    void checkKey(QTcpSocket* socket);
    void reportKeyedSessions();
    void reportRefusals();
    void answerInvitation(QWebSocketCorsAuthenticator* authenticator);
    void takeConnections();
    void handshakeFailed();
    void receive(quint64 peer, const QByteArray& data);
    void receiveTap(Peer& peer, quint64 id, const RemoteMessage::Tap& tap);
    void watchPicture(Peer& peer);
    void sendPicture(Peer& peer);
    void reportPictureWatchers();
    // Queues the command for the main thread, or ends the session of a peer that sends too many.
    void queueCommand(quint64 peer, PeerCommand command);
    void answered(quint64 peer, const QByteArray& payload);
    void sendOffer(Peer& peer);
    void ping(Peer& peer);
    qint64 bytesWaiting(const Peer& peer) const;
    void endOverBacklog();
    void endSession(quint64 peer);
    void pingOrReap();

    const Timing m_timing;
    const OwnHostNames m_ownNames;
    // Members with this as parent, so that they move to the network thread along with it.
    QWebSocketServer m_server;
    // Accepted here and handed to m_server, which upgrades them. Not a QTcpServer: once one accept has found the
    // backlog empty, its socket engine keeps reporting that error, so out of descriptors it neither pauses nor says
    // so, and its notifier fires without end.
    int m_listeningSocket = -1;
    quint16 m_port = 0;
    QSocketNotifier* m_accepting = nullptr;
    // Accepted connections whose handshake has not ended yet, with the hash of the key each carried.
    std::map<QTcpSocket*, QByteArray> m_handshakes;
    // Handshakes waiting for their head while keys are required: only a valid key hands them to m_server.
    std::set<QTcpSocket*> m_unchecked;
    PhoneKeyCheck m_keys;
    std::map<QString, int> m_refusals;
    QTimer m_refusalReport;
    // Accepted handshakes not yet connections: each ends as one, or as a handshake failure.
    int m_invitationsPending = 0;
    quint16 m_pagePort = 0;
    quint64 m_nextPeer = 1;
    std::map<quint64, Peer> m_peers;
    // Only the latest text is worth handing to a peer; an older one was replaced.
    std::optional<Offer> m_offer;
    QByteArray m_keyTargetMessage;
    // The latest picture, framed for the pages; dropped once none watches.
    QString m_pictureMessage;
    int m_pictureWatchers = 0;
    std::vector<PeerCommand> m_commands;
    bool m_isAskingMainThread = false;
    QTimer m_pingTimer;
};
