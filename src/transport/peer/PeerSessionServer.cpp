#include "PeerSessionServer.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>
#include <malloc.h>

PeerSessionServer::PeerSessionServer(Timing timing)
    : m_timing(timing)
    , m_server(QStringLiteral("Quorvelantis"), QWebSocketServer::NonSecureMode, this)
    , m_listener(this)
    , m_pingTimer(this)
{
    connect(&m_listener, &QTcpServer::newConnection, this, &PeerSessionServer::upgradeConnections);
    // Emitted during the opening handshake, before the answer goes out: the handshake is the invitation,
    // and every one is accepted.
    connect(&m_server, &QWebSocketServer::originAuthenticationRequired, this, &PeerSessionServer::answerInvitation);
    connect(&m_server, &QWebSocketServer::newConnection, this, &PeerSessionServer::takeConnections);
    connect(&m_server, &QWebSocketServer::serverError, this, &PeerSessionServer::handshakeFailed);
    m_pingTimer.setInterval(m_timing.pingInterval);
    connect(&m_pingTimer, &QTimer::timeout, this, &PeerSessionServer::pingOrReap);
}

PeerSessionServer::~PeerSessionServer()
{
    // Sockets closed by this teardown are not peers leaving: nobody hears of them.
    m_server.disconnect(this);
    for (auto& [id, peer] : m_peers) {
        peer.socket->disconnect(this);
        delete peer.socket;
    }
}

quint16 PeerSessionServer::listen()
{
    // A fixed port lets a firewall rule name it; another program holding it moves us one up.
    for (quint32 port = firstPort; port <= 65535; ++port) {
        if (m_listener.listen(QHostAddress::Any, quint16(port)))
            return m_listener.serverPort();
    }
    return 0;
}

void PeerSessionServer::send(quint64 delivery, const QByteArray& data)
{
    std::vector<quint64> overBacklog;
    for (auto& [id, peer] : m_peers) {
        peer.socket->sendBinaryMessage(data);
        // The pong to a ping sent after the data proves the peer read the data.
        ping(peer);
        peer.unconfirmed.push_back(delivery);
        if (isOverBacklog(peer))
            overBacklog.push_back(id);
    }
    if (m_peers.empty()) {
        Q_EMIT undelivered(delivery);
        return;
    }
    m_deliveryRecipients[delivery] = int(m_peers.size());
    for (quint64 id : overBacklog)
        endSession(id);
}

void PeerSessionServer::upgradeConnections()
{
    while (QTcpSocket* socket = m_listener.nextPendingConnection()) {
        // Qt answers every ping with a pong by itself, unseen: a peer that pings and never reads is caught here,
        // where its bytes come in, before they are answered.
        connect(socket, &QIODevice::readyRead, this, [socket] {
            if (socket->bytesToWrite() > maxBytesWaiting)
                socket->abort();
        });
        m_server.handleConnection(socket);
    }
}

void PeerSessionServer::answerInvitation()
{
    ++m_invitationsPending;
    Q_EMIT peerStateChanged(PeerState::connecting, int(m_peers.size()));
}

void PeerSessionServer::takeConnections()
{
    while (QWebSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setMaxAllowedIncomingFrameSize(maxMessageSize);
        socket->setMaxAllowedIncomingMessageSize(maxMessageSize);
        const quint64 id = m_nextPeer++;
        connect(socket, &QWebSocket::textMessageReceived, this,
            [this, id](const QString& message) { receive(id, message.toUtf8()); });
        connect(socket, &QWebSocket::binaryMessageReceived, this,
            [this, id](const QByteArray& message) { receive(id, message); });
        connect(
            socket, &QWebSocket::pong, this, [this, id](quint64, const QByteArray& payload) { answered(id, payload); });
        connect(socket, &QWebSocket::disconnected, this, [this, id] { endSession(id); });
        // glibc keeps what a flooded session freed; give it back once the socket is gone.
        connect(socket, &QObject::destroyed, [] { malloc_trim(0); });
        Peer& peer = m_peers[id] = Peer { socket, {}, {}, {}, {} };
        peer.sinceLife.start();
        if (!m_pingTimer.isActive())
            m_pingTimer.start();
        m_invitationsPending = std::max(0, m_invitationsPending - 1);
        Q_EMIT peerStateChanged(PeerState::connected, int(m_peers.size()));
    }
}

void PeerSessionServer::handshakeFailed()
{
    if (m_invitationsPending == 0)
        return;
    --m_invitationsPending;
    Q_EMIT peerStateChanged(PeerState::notConnected, int(m_peers.size()));
}

void PeerSessionServer::receive(quint64 peer, const QByteArray& data)
{
    if (auto found = m_peers.find(peer); found != m_peers.end())
        found->second.sinceLife.start();
    Q_EMIT messageReceived(data);
}

void PeerSessionServer::answered(quint64 id, const QByteArray& payload)
{
    // A pong we did not ask for, or a stale one, proves nothing.
    auto found = m_peers.find(id);
    if (found == m_peers.end() || found->second.awaitedPong.isEmpty() || payload != found->second.awaitedPong)
        return;
    Peer& peer = found->second;
    peer.awaitedPong.clear();
    peer.sinceLife.start();
    for (quint64 delivery : peer.unconfirmed) {
        // The first peer to confirm a delivery reports it.
        if (m_deliveryRecipients.erase(delivery))
            Q_EMIT delivered(delivery);
    }
    peer.unconfirmed.clear();
}

void PeerSessionServer::ping(Peer& peer)
{
    // A random payload, so a peer cannot answer a ping it has not read.
    const quint64 nonce = QRandomGenerator::global()->generate64();
    peer.awaitedPong = QByteArray(reinterpret_cast<const char*>(&nonce), sizeof nonce);
    peer.socket->ping(peer.awaitedPong);
}

bool PeerSessionServer::isOverBacklog(const Peer& peer) const { return peer.socket->bytesToWrite() > maxBytesWaiting; }

void PeerSessionServer::endSession(quint64 id)
{
    auto found = m_peers.find(id);
    if (found == m_peers.end())
        return;
    Peer peer = std::move(found->second);
    m_peers.erase(found);
    peer.socket->disconnect(this);
    peer.socket->abort();
    peer.socket->deleteLater();
    if (m_peers.empty())
        m_pingTimer.stop();
    Q_EMIT peerStateChanged(PeerState::notConnected, int(m_peers.size()));
    for (quint64 delivery : peer.unconfirmed) {
        auto recipients = m_deliveryRecipients.find(delivery);
        if (recipients != m_deliveryRecipients.end() && --recipients->second == 0) {
            m_deliveryRecipients.erase(recipients);
            Q_EMIT undelivered(delivery);
        }
    }
}

void PeerSessionServer::pingOrReap()
{
    std::vector<quint64> gone;
    for (auto& [id, peer] : m_peers) {
        if (peer.socket->bytesToWrite() == 0)
            peer.undrainedFor.invalidate();
        else if (!peer.undrainedFor.isValid())
            peer.undrainedFor.start();
        const qint64 timeout = m_timing.answerTimeout.count();
        if (peer.sinceLife.elapsed() >= timeout
            || (peer.undrainedFor.isValid() && peer.undrainedFor.elapsed() >= timeout))
            gone.push_back(id);
        else
            ping(peer);
    }
    for (quint64 id : gone)
        endSession(id);
}
