#include "PeerSessionServer.h"

#include "NoTlsBackend.h"
#include "RemoteMessage.h"
#include "transport/ListeningSocket.h"
#include "transport/PhoneJson.h"
#include "transport/TapDeadline.h"
#include "transport/TransportLogging.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/sockios.h>
#include <malloc.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString tapAnswer(qint64 id, bool pressed)
{
    return QStringLiteral("{\"tapAnswer\":{\"id\":%1,\"pressed\":%2}}")
        .arg(id)
        .arg(pressed ? QStringLiteral("true") : QStringLiteral("false"));
}

PhoneKeyCheck::Source sourceOf(const QHostAddress& address)
{
    PhoneKeyCheck::Source source {};
    // IPv4 addresses come in their IPv6-mapped form, as the HTTP server counts them.
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    std::copy(std::begin(bytes.c), std::end(bytes.c), source.begin());
    // One host may hold a whole /64: its addresses count as one source.
    bool isIpv4 = false;
    address.toIPv4Address(&isIpv4);
    if (!isIpv4)
        std::fill(source.begin() + 8, source.end(), 0);
    return source;
}

QString addressText(const QHostAddress& address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : address.toString();
}

} // namespace

PeerSessionServer::PeerSessionServer(Timing timing)
    : m_timing(timing)
    , m_ownNames(ownHostNames())
    , m_server(QStringLiteral("Quorvelantis"), QWebSocketServer::NonSecureMode, this)
    , m_refusalReport(this)
    , m_pingTimer(this)
{
    NoTlsBackend::install(); // before the sessions' first QWebSocket
    // Named by the page beside its key; clients that name none are answered as before.
    m_server.setSupportedSubprotocols({ QString::fromLatin1(pageSubprotocol) });
    m_refusalReport.setSingleShot(true);
    m_refusalReport.setInterval(std::chrono::milliseconds(500));
    connect(&m_refusalReport, &QTimer::timeout, this, &PeerSessionServer::reportRefusals);
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
    for (const auto& [socket, keyHash] : m_handshakes)
        socket->disconnect(this);
    for (auto& [id, peer] : m_peers) {
        peer.socket->disconnect(this);
        delete peer.socket;
    }
    delete m_accepting;
    if (m_listeningSocket >= 0)
        ::close(m_listeningSocket);
}

quint16 PeerSessionServer::listen()
{
    // A fixed port lets a firewall rule name it; another program holding it moves us one up.
    for (quint32 port = firstPort; port <= 65535; ++port) {
        m_listeningSocket = openListeningSocket(quint16(port));
        if (m_listeningSocket >= 0) {
            m_port = quint16(port);
            // A child, so that it moves to the network thread along with this.
            m_accepting = new QSocketNotifier(m_listeningSocket, QSocketNotifier::Read, this);
            connect(m_accepting, &QSocketNotifier::activated, this, &PeerSessionServer::acceptConnections);
            return m_port;
        }
        qCDebug(lcPeer, "Cannot listen on port %u: %s", port, strerror(errno));
    }
    qCWarning(lcPeer, "Cannot listen for peers on any port from %u: %s", firstPort, strerror(errno));
    return 0;
}

void PeerSessionServer::offerText(quint64 delivery, const TextPayload& text)
{
    m_offer = Offer { delivery, RemoteMessage { text }.encode() };
    for (auto& [id, peer] : m_peers)
        sendOffer(peer);
    endOverBacklog();
}

void PeerSessionServer::publishKeyTarget(const KeyTarget& target, const QString& programName)
{
    m_keyTargetMessage = "{\"keyTarget\":" + keyTargetJson(target, programName) + '}';
    for (auto& [id, peer] : m_peers) {
        if (peer.watchesKeyTarget)
            peer.socket->sendTextMessage(QString::fromUtf8(m_keyTargetMessage));
    }
}

void PeerSessionServer::takeCommands()
{
    m_isAskingMainThread = false;
    for (auto& [id, peer] : m_peers)
        peer.commandsWaiting = 0;
    if (!m_commands.empty()) {
        m_isAskingMainThread = true;
        Q_EMIT commandsReceived(std::exchange(m_commands, {}));
    }
}

void PeerSessionServer::answerTap(const PageTap& tap, bool pressed)
{
    auto found = m_peers.find(tap.peer);
    if (found != m_peers.end())
        found->second.socket->sendTextMessage(tapAnswer(tap.id, pressed));
}

void PeerSessionServer::acceptConnections()
{
    for (;;) {
        const int descriptor = accept4(m_listeningSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The connections wait in the backlog; a retry every quarter second costs nothing meanwhile.
                qCDebug(lcPeer, "Accepting paused: %s", strerror(errno));
                m_accepting->setEnabled(false);
                QTimer::singleShot(
                    std::chrono::milliseconds(250), m_accepting, [this] { m_accepting->setEnabled(true); });
            } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
                qCWarning(lcPeer, "Cannot accept a connection: %s", strerror(errno));
            }
            return;
        }
        if (m_handshakes.size() + m_peers.size() >= maxSessions) {
            ::close(descriptor);
            continue;
        }
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        // A picture's last segment would otherwise wait for the phone's delayed acknowledgement, 40 ms.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // Qt keeps no more of an unfinished handshake than this; a head that fills it will never end.
        socket->setReadBufferSize(maxHandshakeSize);
        m_handshakes.emplace(socket, QByteArray());
        connect(socket, &QObject::destroyed, this, [this, socket] {
            m_handshakes.erase(socket);
            m_unchecked.erase(socket);
        });
        QTimer::singleShot(m_timing.handshakeTimeout, socket, [this, socket] {
            if (m_handshakes.count(socket))
                socket->abort();
        });
        // Qt answers every ping with a pong by itself, unseen: a peer that pings and never reads is caught here,
        // where its bytes come in, before they are answered.
        connect(socket, &QIODevice::readyRead, this, [this, socket] {
            if ((m_handshakes.count(socket) && socket->bytesAvailable() >= maxHandshakeSize)
                || socket->bytesToWrite() > maxBytesWaiting)
                socket->abort();
            else if (m_unchecked.count(socket))
                checkKey(socket);
        });
        if (m_keys.isRequired()) {
            m_unchecked.insert(socket);
            checkKey(socket);
        } else {
            m_server.handleConnection(socket);
        }
    }
}

void PeerSessionServer::checkKey(QTcpSocket* socket)
{
    // Only peeked: the WebSocket server reads the same head again.
    const QByteArray bytes = socket->peek(maxHandshakeSize);
    const QByteArrayView head = handshakeHead(bytes);
    if (head.isEmpty())
        return;
    m_unchecked.erase(socket);
    QByteArray keyHash;
    if (m_keys.check(subprotocolKey(head), sourceOf(socket->peerAddress()), keyHash)
        == PhoneKeyCheck::Verdict::refused) {
        qCDebug(lcPeer) << "Handshake without a valid key refused";
        ++m_refusals[addressText(socket->peerAddress())];
        if (!m_refusalReport.isActive())
            m_refusalReport.start();
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        socket->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    m_handshakes[socket] = keyHash;
    // Reads what is already in at once.
    m_server.handleConnection(socket);
}

void PeerSessionServer::setPhoneKeys(const PhoneKeys& keys)
{
    m_keys.setKeys(keys);
    std::vector<quint64> refused;
    for (const auto& [id, peer] : m_peers) {
        if (m_keys.isRequired() && (peer.keyHash.isEmpty() || !m_keys.holds(peer.keyHash)))
            refused.push_back(id);
    }
    for (const quint64 id : refused)
        endSession(id);
    if (!m_keys.isRequired()) {
        for (auto& [id, peer] : m_peers)
            peer.watchesPicture = false;
        reportPictureWatchers();
    }
    reportKeyedSessions();
}

void PeerSessionServer::publishPicture(const QByteArray& jpeg)
{
    if (m_pictureWatchers == 0)
        return;
    // Base64 in a text message, as every page-only message: a binary one is the phone app's text offer.
    m_pictureMessage = QStringLiteral("{\"picture\":{\"jpeg\":\"%1\"}}").arg(QString::fromLatin1(jpeg.toBase64()));
    for (auto& [id, peer] : m_peers) {
        if (peer.watchesPicture)
            sendPicture(peer);
    }
}

void PeerSessionServer::watchPicture(Peer& peer)
{
    // The screen may show anything on it: only a phone that was let in by its key sees it.
    if (!m_keys.isRequired() || peer.keyHash.isEmpty()) {
        qCDebug(lcPeer) << "A picture of the screen was asked for without a key, and refused";
        return;
    }
    if (!peer.watchesPicture) {
        peer.watchesPicture = true;
        // Held pictures follow as the socket drains.
        connect(peer.socket, &QWebSocket::bytesWritten, this, [this, socket = peer.socket] {
            for (auto& [id, watcher] : m_peers) {
                if (watcher.socket == socket && watcher.isPictureDue)
                    sendPicture(watcher);
            }
        });
        reportPictureWatchers();
    }
    Q_EMIT pictureRequested();
}

void PeerSessionServer::sendPicture(Peer& peer)
{
    // A phone on a slow network would otherwise fall ever further behind the slides.
    peer.isPictureDue = peer.socket->bytesToWrite() > 0;
    if (!peer.isPictureDue)
        peer.socket->sendTextMessage(m_pictureMessage);
}

void PeerSessionServer::reportPictureWatchers()
{
    const int watchers
        = int(std::ranges::count_if(m_peers, [](const auto& entry) { return entry.second.watchesPicture; }));
    if (watchers == m_pictureWatchers)
        return;
    m_pictureWatchers = watchers;
    if (watchers == 0)
        m_pictureMessage.clear();
    Q_EMIT pictureWatchersChanged(watchers);
}

void PeerSessionServer::reportKeyedSessions()
{
    QList<QByteArray> keyHashes;
    for (const auto& [id, peer] : m_peers) {
        if (!peer.keyHash.isEmpty())
            keyHashes.append(peer.keyHash);
    }
    Q_EMIT keyedSessionsChanged(keyHashes);
}

void PeerSessionServer::reportRefusals()
{
    for (const auto& [address, count] : std::exchange(m_refusals, {}))
        Q_EMIT refused(address, count);
}

void PeerSessionServer::answerInvitation(QWebSocketCorsAuthenticator* authenticator)
{
    // A browser always names the page that opened the socket: only the remote page served here, or a client naming
    // this machine as the endpoint it connects to, may drive slides.
    QList<quint16> ports { m_port };
    if (m_pagePort != 0)
        ports.append(m_pagePort);
    if (!isOwnOrigin(authenticator->origin().toUtf8(), m_ownNames, ownAddresses(), ports)) {
        qCDebug(lcPeer) << "Invitation from a foreign origin refused:" << authenticator->origin();
        authenticator->setAllowed(false);
        return;
    }
    ++m_invitationsPending;
    Q_EMIT peerStateChanged(PeerState::connecting, int(m_peers.size()));
}

void PeerSessionServer::takeConnections()
{
    while (QWebSocket* socket = m_server.nextPendingConnection()) {
        // The handshake's connection is the one carrying the session now.
        int descriptor = -1;
        QByteArray keyHash;
        for (auto handshake = m_handshakes.begin(); handshake != m_handshakes.end(); ++handshake) {
            if (handshake->first->peerPort() == socket->peerPort()
                && handshake->first->peerAddress() == socket->peerAddress()) {
                descriptor = int(handshake->first->socketDescriptor());
                keyHash = handshake->second;
                m_handshakes.erase(handshake);
                break;
            }
        }
        socket->setParent(this);
        socket->setReadBufferSize(0);
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
        Peer& peer = m_peers[id] = Peer { socket, descriptor, {}, {}, {}, 0, 0, false, keyHash };
        peer.sinceLife.start();
        if (!m_pingTimer.isActive())
            m_pingTimer.start();
        m_invitationsPending = std::max(0, m_invitationsPending - 1);
        // The text no phone has shown it read yet reaches this one too.
        sendOffer(peer);
        Q_EMIT peerStateChanged(PeerState::connected, int(m_peers.size()));
        if (!keyHash.isEmpty())
            reportKeyedSessions();
    }
}

void PeerSessionServer::handshakeFailed()
{
    qCDebug(lcPeer) << "Opening handshake failed:" << m_server.errorString();
    if (m_invitationsPending == 0)
        return;
    --m_invitationsPending;
    Q_EMIT peerStateChanged(PeerState::notConnected, int(m_peers.size()));
}

void PeerSessionServer::receive(quint64 id, const QByteArray& data)
{
    // A message proves nothing about life: a peer may send without ever reading.
    auto found = m_peers.find(id);
    if (found == m_peers.end())
        return;
    Peer& peer = found->second;
    const std::optional<RemoteMessage> message = RemoteMessage::parse(data);
    // A peer's malformed message is no fault of ours: debug only, or a hostile one would fill the journal.
    if (!message) {
        qCDebug(lcPeer, "Malformed peer message of %lld bytes ignored", qlonglong(data.size()));
        return;
    }
    if (std::holds_alternative<RemoteMessage::WatchKeyTarget>(message->content)) {
        peer.watchesKeyTarget = true;
        if (!m_keyTargetMessage.isEmpty())
            peer.socket->sendTextMessage(QString::fromUtf8(m_keyTargetMessage));
        return;
    }
    // The page judges the session alive by these answers, and learns from them where the desktop's clock stands.
    if (std::holds_alternative<RemoteMessage::Ping>(message->content)) {
        peer.socket->sendTextMessage(QStringLiteral("{\"pong\":{\"clock\":%1}}").arg(steadyMilliseconds()));
        return;
    }
    if (const auto* tap = std::get_if<RemoteMessage::Tap>(&message->content))
        return receiveTap(peer, id, *tap);
    // The page sends at most one move per frame it draws, so each goes on as it came.
    if (const auto* move = std::get_if<RemoteMessage::PointerMove>(&message->content)) {
        peer.isPointing = true;
        Q_EMIT pointerMoved({ move->x, move->y });
        return;
    }
    if (std::holds_alternative<RemoteMessage::PointerLift>(message->content)) {
        if (std::exchange(peer.isPointing, false))
            Q_EMIT pointerLifted();
        return;
    }
    if (std::holds_alternative<RemoteMessage::WatchPicture>(message->content))
        return watchPicture(peer);
    // Texts only travel from the desktop to the phone; an importText from a phone is ignored.
    if (const auto* slide = std::get_if<RemoteMessage::SlideCommand>(&message->content))
        queueCommand(id, slide->command);
}

void PeerSessionServer::receiveTap(Peer& peer, quint64 id, const RemoteMessage::Tap& tap)
{
    // Held up on the way (a stalled network delivers what it held once it recovers): its page has shown it as
    // failed, and its key must not move the slide now.
    const std::optional<QDeadlineTimer> within = pressBefore(tap.deadline);
    if (!within) {
        qCDebug(lcPeer, "A tap arrived after its deadline and was not pressed");
        peer.socket->sendTextMessage(tapAnswer(tap.id, false));
        return;
    }
    queueCommand(id, PageTap { id, tap.id, tap.command, *within });
}

void PeerSessionServer::queueCommand(quint64 id, PeerCommand command)
{
    if (++m_peers.at(id).commandsWaiting > maxMessagesWaiting) {
        qCDebug(lcPeer) << "Ending a session that sends faster than it is heard";
        return endSession(id);
    }
    m_commands.push_back(std::move(command));
    if (!m_isAskingMainThread)
        takeCommands();
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
    // The first peer to confirm the offer reports it.
    if (m_offer && peer.unconfirmedOffer == m_offer->delivery) {
        Q_EMIT delivered(m_offer->delivery);
        m_offer.reset();
    }
    peer.unconfirmedOffer = 0;
}

void PeerSessionServer::sendOffer(Peer& peer)
{
    if (!m_offer)
        return;
    peer.socket->sendBinaryMessage(m_offer->message);
    // The pong to a ping sent after the data proves the peer read the data.
    ping(peer);
    peer.unconfirmedOffer = m_offer->delivery;
}

void PeerSessionServer::ping(Peer& peer)
{
    // A random payload, so a peer cannot answer a ping it has not read.
    const quint64 nonce = QRandomGenerator::global()->generate64();
    peer.awaitedPong = QByteArray(reinterpret_cast<const char*>(&nonce), sizeof nonce);
    peer.socket->ping(peer.awaitedPong);
}

qint64 PeerSessionServer::bytesWaiting(const Peer& peer) const
{
    // What the kernel holds unsent counts as much as what Qt still holds.
    int inKernel = 0;
    if (peer.descriptor < 0 || ioctl(peer.descriptor, SIOCOUTQ, &inKernel) != 0)
        inKernel = 0;
    return peer.socket->bytesToWrite() + inKernel;
}

void PeerSessionServer::endOverBacklog()
{
    qint64 total = 0;
    std::vector<std::pair<qint64, quint64>> waiting;
    for (const auto& [id, peer] : m_peers) {
        const qint64 bytes = bytesWaiting(peer);
        total += bytes;
        waiting.emplace_back(bytes, id);
    }
    // Those holding most first, the newest among equals.
    std::sort(waiting.rbegin(), waiting.rend());
    for (const auto& [bytes, id] : waiting) {
        if (bytes <= maxBytesWaiting && total <= maxBytesWaitingInAll)
            break;
        total -= bytes;
        endSession(id);
    }
}

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
    if (peer.isPointing)
        Q_EMIT pointerLifted();
    if (!peer.keyHash.isEmpty())
        reportKeyedSessions();
    if (peer.watchesPicture)
        reportPictureWatchers();
}

void PeerSessionServer::pingOrReap()
{
    std::vector<quint64> gone;
    for (auto& [id, peer] : m_peers) {
        if (bytesWaiting(peer) == 0)
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
