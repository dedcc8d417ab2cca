#include "PeerSessionServer.h"

#include <QHostAddress>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>

PeerSessionServer::PeerSessionServer(GuardedPeerLinkDelegate& delegate, Timing timing)
    : m_delegate(delegate)
    , m_timing(timing)
    , m_server(QStringLiteral("Quorvelantis"), QWebSocketServer::NonSecureMode, this)
    , m_pingTimer(this)
{
    // Emitted during the opening handshake, before the answer goes out: the handshake is the invitation.
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
    if (!m_server.listen(QHostAddress::Any, 0))
        return 0;
    return m_server.serverPort();
}

void PeerSessionServer::startAdvertising(const QString& displayName, const QByteArray& dnsSdType)
{
    if (m_publisher)
        return;
    if (!m_server.isListening()) {
        m_delegate.advertisingDidFail();
        return;
    }
    m_publisher = std::make_unique<AvahiServicePublisher>(
        displayName, dnsSdType, m_server.serverPort(), [this] { m_delegate.advertisingDidFail(); });
}

bool PeerSessionServer::sendTo(const QList<quint64>& peers, const QByteArray& data)
{
    bool allTookIt = !peers.isEmpty();
    for (quint64 id : peers) {
        auto found = m_peers.find(id);
        if (found == m_peers.end() || found->second.socket->state() != QAbstractSocket::ConnectedState) {
            allTookIt = false;
            continue;
        }
        if (found->second.socket->sendBinaryMessage(data) != data.size())
            allTookIt = false;
    }
    return allTookIt;
}

void PeerSessionServer::answerInvitation(QWebSocketCorsAuthenticator* authenticator)
{
    const bool accepted = m_delegate.shouldAcceptInvitation();
    authenticator->setAllowed(accepted);
    if (!accepted)
        return;
    m_invitationPending = true;
    m_delegate.peerDidChangeState(1);
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
        connect(socket, &QWebSocket::pong, this, [this, id] { markAnswered(id); });
        connect(socket, &QWebSocket::disconnected, this, [this, id] { endSession(id); });
        Peer& peer = m_peers[id] = Peer { socket, {} };
        peer.sinceAnswer.start();
        if (!m_pingTimer.isActive())
            m_pingTimer.start();
        m_invitationPending = false;
        Q_EMIT peerConnectedChanged(id, true);
        m_delegate.peerDidChangeState(2);
    }
}

void PeerSessionServer::handshakeFailed()
{
    if (!m_invitationPending)
        return;
    m_invitationPending = false;
    m_delegate.peerDidChangeState(0);
}

void PeerSessionServer::receive(quint64 peer, const QByteArray& data)
{
    markAnswered(peer);
    m_delegate.peerDidReceiveData(data);
}

void PeerSessionServer::markAnswered(quint64 peer)
{
    if (auto found = m_peers.find(peer); found != m_peers.end())
        found->second.sinceAnswer.start();
}

void PeerSessionServer::endSession(quint64 peer)
{
    auto found = m_peers.find(peer);
    if (found == m_peers.end())
        return;
    QWebSocket* socket = found->second.socket;
    m_peers.erase(found);
    socket->disconnect(this);
    socket->deleteLater();
    if (m_peers.empty())
        m_pingTimer.stop();
    Q_EMIT peerConnectedChanged(peer, false);
    m_delegate.peerDidChangeState(0);
}

void PeerSessionServer::pingOrReap()
{
    QList<quint64> silent;
    for (auto& [id, peer] : m_peers) {
        if (peer.sinceAnswer.elapsed() >= m_timing.answerTimeout.count())
            silent.append(id);
        else
            peer.socket->ping();
    }
    for (quint64 id : silent) {
        QWebSocket* socket = m_peers.at(id).socket;
        endSession(id);
        socket->abort();
    }
}
