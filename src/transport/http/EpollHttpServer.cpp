#include "EpollHttpServer.h"

#include "HttpAnswerFraming.h"
#include "HttpRequestGathering.h"
#include "HttpRouting.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The epoll tag of the listening socket; connections count from 1.
constexpr quint64 listeningSocketId = 0;
constexpr int eventsPerWakeUp = 64;

int bindAndListen(int descriptor, const sockaddr* address, socklen_t length)
{
    const int on = 1;
    // Lets a restarted listener take its port back while old connections linger in TIME_WAIT.
    setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(descriptor, address, length) == 0 && listen(descriptor, SOMAXCONN) == 0)
        return descriptor;
    ::close(descriptor);
    return -1;
}

// Listens on every address of both families; -1 when the port cannot be had.
int openListeningSocket(quint16 port)
{
    constexpr int type = SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC;
    if (const int descriptor = socket(AF_INET6, type, 0); descriptor >= 0) {
        const int off = 0;
        setsockopt(descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 address {};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(port);
        address.sin6_addr = in6addr_any;
        return bindAndListen(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    // A kernel without IPv6.
    const int descriptor = socket(AF_INET, type, 0);
    if (descriptor < 0)
        return -1;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return bindAndListen(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

// Edge-triggered: a connection that waits for its answer, or that has sent more than its request, raises no
// event over and over.
bool watch(int epoll, int operation, int descriptor, quint64 id, quint32 events)
{
    epoll_event event {};
    event.events = events | EPOLLET;
    event.data.u64 = id;
    return epoll_ctl(epoll, operation, descriptor, &event) == 0;
}

}

EpollHttpServer::EpollHttpServer(std::shared_ptr<HttpListenerLink> link, std::chrono::milliseconds requestDeadline)
    : m_link(std::move(link))
    , m_requestDeadline(requestDeadline.count())
    , m_readBuffer(maximumRequestSize, Qt::Uninitialized)
{
    m_sweepTimer.setInterval(std::max<qint64>(m_requestDeadline / 10, 1));
    connect(&m_sweepTimer, &QTimer::timeout, this, &EpollHttpServer::sweep);
    m_clock.start();
}

EpollHttpServer::~EpollHttpServer()
{
    delete m_readiness;
    for (const auto& [id, connection] : m_connections)
        ::close(connection.descriptor);
    if (m_listeningSocket >= 0)
        ::close(m_listeningSocket);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

void EpollHttpServer::start(quint16 port)
{
    reportState(HttpListenerState::starting);
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll >= 0)
        m_listeningSocket = openListeningSocket(port);
    if (m_listeningSocket < 0 || !watch(m_epoll, EPOLL_CTL_ADD, m_listeningSocket, listeningSocketId, EPOLLIN)) {
        reportState(HttpListenerState::failed);
        return;
    }
    m_readiness = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
    connect(m_readiness, &QSocketNotifier::activated, this, &EpollHttpServer::handleReadiness);
    reportState(HttpListenerState::ready);
}

void EpollHttpServer::stopListening()
{
    if (m_listeningSocket < 0)
        return;
    ::close(m_listeningSocket);
    m_listeningSocket = -1;
}

void EpollHttpServer::handleReadiness()
{
    epoll_event events[eventsPerWakeUp];
    const int count = epoll_wait(m_epoll, events, eventsPerWakeUp, 0);
    for (int index = 0; index < count; ++index) {
        const quint64 id = events[index].data.u64;
        if (id == listeningSocketId) {
            acceptConnections();
            continue;
        }
        // An entry closed earlier in this batch (evicted by an accept) is simply gone.
        const auto entry = m_connections.find(id);
        if (entry == m_connections.end())
            continue;
        if (entry->second.stage == Stage::gathering)
            receive(entry);
        else if (entry->second.stage == Stage::writing)
            write(entry, std::exchange(entry->second.unsent, {}));
    }
    askMainThread();
}

void EpollHttpServer::acceptConnections()
{
    while (m_listeningSocket >= 0) {
        const int descriptor = accept4(m_listeningSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if ((errno == EMFILE || errno == ENFILE) && evictLongestWaiting())
                continue;
            return;
        }
        if ((m_connections.size() >= maximumConnections && !evictLongestWaiting())
            || !watch(m_epoll, EPOLL_CTL_ADD, descriptor, m_nextId, EPOLLIN | EPOLLRDHUP)) {
            ::close(descriptor);
            continue;
        }
        const auto entry = m_connections.emplace_hint(m_connections.end(), m_nextId++,
            Connection { descriptor, Stage::gathering, m_clock.elapsed() + m_requestDeadline, {}, {} });
        if (!m_sweepTimer.isActive())
            m_sweepTimer.start();
        // The request usually arrives together with the connection: read it now rather than after another wake-up.
        receive(entry);
    }
}

bool EpollHttpServer::evictLongestWaiting()
{
    for (auto entry = m_connections.begin(); entry != m_connections.end(); ++entry) {
        if (entry->second.stage == Stage::gathering) {
            close(entry);
            return true;
        }
    }
    return false;
}

void EpollHttpServer::receive(ConnectionEntry entry)
{
    Connection& connection = entry->second;
    for (;;) {
        const qsizetype room = maximumRequestSize - connection.request.size();
        const ssize_t length = recv(connection.descriptor, m_readBuffer.data(), room, 0);
        if (length > 0) {
            const QByteArrayView piece(m_readBuffer.constData(), length);
            // The common case, a whole request in its first piece, is routed without a copy.
            if (connection.request.isEmpty() && (length == room || isRequestComplete(piece)))
                return route(entry, piece);
            connection.request.append(piece);
            if (connection.request.size() == maximumRequestSize || isRequestComplete(connection.request))
                return route(entry, connection.request);
            continue;
        }
        if (length == 0)
            return route(entry, connection.request); // the client has ended its side
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            close(entry); // reset: no one left to answer
        return;
    }
}

void EpollHttpServer::route(ConnectionEntry entry, QByteArrayView request)
{
    static const QByteArray badRequest = frameAnswer(badRequestAnswer());
    static const QByteArray pong = frameAnswer(pongAnswer());
    if (request.isEmpty() || !request.isValidUtf8())
        return write(entry, badRequest);
    const HttpRoute route = routeFor(request);
    if (route == HttpRoute::ping)
        return write(entry, pong);
    entry->second.stage = Stage::awaitingAnswer;
    m_waitingIds.push_back(entry->first);
    m_waitingRequests.push_back({ route, QString::fromUtf8(request) });
    entry->second.request = QByteArray();
}

void EpollHttpServer::askMainThread()
{
    if (m_isAskingMainThread || m_waitingIds.empty())
        return;
    m_isAskingMainThread = true;
    // The service's state lives on the main thread. The link tells there whether the listener, and with it this
    // server, still exists; the server is deleted only after it is silenced.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [link = m_link, server = this, ids = std::exchange(m_waitingIds, {}),
            requests = std::exchange(m_waitingRequests, {})]() mutable {
            if (link->isSilenced)
                return;
            std::vector<HttpAnswer> answers = link->callbacks.answerRoutes(requests);
            if (link->isSilenced)
                return;
            QMetaObject::invokeMethod(
                server, [server, ids = std::move(ids), answers = std::move(answers)] { server->answer(ids, answers); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void EpollHttpServer::answer(const std::vector<quint64>& ids, const std::vector<HttpAnswer>& answers)
{
    for (std::size_t index = 0; index < ids.size() && index < answers.size(); ++index) {
        if (const auto entry = m_connections.find(ids[index]); entry != m_connections.end())
            write(entry, frameAnswer(answers[index]));
    }
    m_isAskingMainThread = false;
    askMainThread();
}

void EpollHttpServer::write(ConnectionEntry entry, QByteArray frame)
{
    Connection& connection = entry->second;
    qsizetype written = 0;
    while (written < frame.size()) {
        const ssize_t length
            = send(connection.descriptor, frame.constData() + written, frame.size() - written, MSG_NOSIGNAL);
        if (length >= 0) {
            written += length;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A large answer to a slow reader: the rest goes out when the socket takes more.
            if (connection.stage != Stage::writing
                && !watch(m_epoll, EPOLL_CTL_MOD, connection.descriptor, entry->first, EPOLLOUT))
                break;
            connection.unsent = frame.sliced(written);
            connection.stage = Stage::writing;
            connection.deadline = m_clock.elapsed() + m_requestDeadline;
            return;
        } else if (errno != EINTR) {
            break; // a failed send ends the connection all the same
        }
    }
    close(entry);
}

void EpollHttpServer::close(ConnectionEntry entry)
{
    // Closing also takes the socket out of the epoll set.
    ::close(entry->second.descriptor);
    m_connections.erase(entry);
}

void EpollHttpServer::sweep()
{
    const qint64 now = m_clock.elapsed();
    for (auto entry = m_connections.begin(); entry != m_connections.end();) {
        const auto next = std::next(entry);
        if (entry->second.deadline <= now) {
            if (entry->second.stage == Stage::gathering)
                route(entry, entry->second.request);
            else if (entry->second.stage == Stage::writing)
                close(entry);
        }
        entry = next;
    }
    askMainThread();
    if (m_connections.empty())
        m_sweepTimer.stop();
}

void EpollHttpServer::reportState(HttpListenerState state)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [link = m_link, state] {
            if (!link->isSilenced && !link->isCancelled)
                link->callbacks.stateChanged(state);
        },
        Qt::QueuedConnection);
}
