#include "EpollHttpServer.h"

#include "ForeignNamePage.h"
#include "HttpAnswerFraming.h"
#include "transport/ListeningSocket.h"
#include "transport/PhoneJson.h"
#include "transport/TapDeadline.h"
#include "transport/TransportLogging.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The epoll tag of the listening socket; connections count from 1.
constexpr quint64 listeningSocketId = 0;
constexpr int eventsPerWakeUp = 64;
// A flood reconnecting as fast as it is evicted keeps the backlog full: accepting stops after this many, so that
// requests already read reach the main thread and the timers run.
constexpr int acceptsPerWakeUp = 64;

std::array<quint8, 16> sourceOf(const sockaddr_storage& address)
{
    std::array<quint8, 16> source {};
    if (address.ss_family == AF_INET6) {
        const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(address);
        std::memcpy(source.data(), &ipv6.sin6_addr, source.size());
        // One host may hold a whole /64: its addresses count as one source.
        if (!IN6_IS_ADDR_V4MAPPED(&ipv6.sin6_addr))
            std::fill(source.begin() + 8, source.end(), 0);
    } else if (address.ss_family == AF_INET) {
        const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
        source[10] = source[11] = 0xff;
        std::memcpy(source.data() + 12, &ipv4.sin_addr, 4);
    }
    return source;
}

// The address and port a connection came in on, the address as a URL writes it.
std::pair<QByteArray, quint16> localEndOf(int descriptor)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    QHostAddress host(reinterpret_cast<const sockaddr*>(&address));
    host.setScopeId({});
    bool isIpv4 = false;
    const quint32 ipv4 = host.toIPv4Address(&isIpv4);
    const quint16 port = ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(address).sin6_port
                                                             : reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (isIpv4)
        return { QHostAddress(ipv4).toString().toLatin1(), port };
    return { "[" + host.toString().toLatin1() + "]", port };
}

// The address a connection comes from, as the window shows it.
QString peerAddressOf(int descriptor)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (getpeername(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    QHostAddress host(reinterpret_cast<const sockaddr*>(&address));
    bool isIpv4 = false;
    const quint32 ipv4 = host.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : host.toString();
}

RemoteCommand commandOf(HttpRequest::Target target)
{
    using Target = HttpRequest::Target;
    switch (target) {
    case Target::previous:
        return RemoteCommand::previous;
    case Target::blackScreen:
        return RemoteCommand::blackScreen;
    case Target::first:
        return RemoteCommand::first;
    case Target::last:
        return RemoteCommand::last;
    default:
        return RemoteCommand::next;
    }
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

// Level-triggered, unlike the connections: what one wake-up leaves in the backlog raises the next. Unwatched while
// accepting is paused, so a full backlog wakes nobody.
bool watchListener(int epoll, int operation, int descriptor, bool isAccepting)
{
    epoll_event event {};
    event.events = isAccepting ? quint32(EPOLLIN) : 0;
    event.data.u64 = listeningSocketId;
    return epoll_ctl(epoll, operation, descriptor, &event) == 0;
}

}

EpollHttpServer::EpollHttpServer(
    std::chrono::milliseconds requestDeadline, QByteArray pageAnswer, const PhoneKeys& keys)
    : m_requestDeadline(requestDeadline.count())
    , m_pageAnswer(std::move(pageAnswer))
    , m_ownNames(ownHostNames())
    , m_readBuffer(maximumRequestSize, Qt::Uninitialized)
{
    m_keys.setKeys(keys);
    m_sweepTimer.setInterval(std::max<qint64>(m_requestDeadline / 10, 1));
    connect(&m_sweepTimer, &QTimer::timeout, this, &EpollHttpServer::sweep);
    m_resumeTimer.setSingleShot(true);
    connect(&m_resumeTimer, &QTimer::timeout, this, &EpollHttpServer::resumeAccepting);
    m_refusalReport.setSingleShot(true);
    m_refusalReport.setInterval(std::chrono::milliseconds(500));
    connect(&m_refusalReport, &QTimer::timeout, this, &EpollHttpServer::reportRefusals);
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
    Q_EMIT stateChanged(HttpListenerState::starting);
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll >= 0)
        m_listeningSocket = openListeningSocket(port);
    if (m_listeningSocket < 0) {
        const int error = errno;
        qCWarning(lcHttp, "Cannot listen on port %u: %s", port, strerror(error));
        Q_EMIT stateChanged(error == EACCES ? HttpListenerState::notPermitted : HttpListenerState::failed);
        return;
    }
    if (!watchListener(m_epoll, EPOLL_CTL_ADD, m_listeningSocket, true)) {
        qCWarning(lcHttp, "Cannot watch the listener on port %u: %s", port, strerror(errno));
        Q_EMIT stateChanged(HttpListenerState::failed);
        return;
    }
    m_readiness = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
    connect(m_readiness, &QSocketNotifier::activated, this, &EpollHttpServer::handleReadiness);
    Q_EMIT stateChanged(HttpListenerState::ready);
}

void EpollHttpServer::stopAccepting()
{
    if (m_listeningSocket >= 0)
        ::close(m_listeningSocket);
    m_listeningSocket = -1;
    m_isAcceptPaused = false;
    m_resumeTimer.stop();
    m_isDraining = true;
    settle();
}

void EpollHttpServer::handleReadiness()
{
    epoll_event events[eventsPerWakeUp];
    const int count = epoll_wait(m_epoll, events, eventsPerWakeUp, 0);
    if (count < 0 && errno != EINTR)
        qCWarning(lcHttp, "Cannot wait for the connections: %s", strerror(errno));
    // Connections first: their edges are taken from epoll now, so an accept at the cap would not see them again and
    // could evict a request already waiting in the kernel.
    bool isListenerReady = false;
    for (int index = 0; index < count; ++index) {
        const quint64 id = events[index].data.u64;
        if (id == listeningSocketId)
            isListenerReady = true;
        else
            serve(id);
    }
    if (isListenerReady)
        acceptConnections();
    settle();
}

void EpollHttpServer::serve(quint64 id)
{
    // An entry closed earlier (evicted by an accept, or served while accepting) is simply gone.
    const auto entry = m_connections.find(id);
    if (entry == m_connections.end())
        return;
    if (entry->second.stage == Stage::gathering)
        receive(entry);
    else if (entry->second.stage == Stage::writing)
        write(entry, std::exchange(entry->second.unsent, {}));
}

void EpollHttpServer::serveReadyConnections()
{
    // The listener's own event is left out: the accept loop that called this goes on anyway.
    epoll_event events[eventsPerWakeUp];
    int count = 0;
    do {
        count = epoll_wait(m_epoll, events, eventsPerWakeUp, 0);
        for (int index = 0; index < count; ++index) {
            if (events[index].data.u64 != listeningSocketId)
                serve(events[index].data.u64);
        }
    } while (count == eventsPerWakeUp);
}

void EpollHttpServer::acceptConnections()
{
    for (int accepted = 0; accepted < acceptsPerWakeUp && m_listeningSocket >= 0; ++accepted) {
        // A request already in the kernel is complete, not idle: read what is ready before judging. With no one to
        // evict, the connection is left in the backlog rather than accepted and closed unanswered.
        if (m_connections.size() >= maximumConnections) {
            serveReadyConnections();
            if (m_connections.size() >= maximumConnections && !evictIncomplete())
                return pauseAccepting();
        }
        sockaddr_storage address {};
        socklen_t length = sizeof address;
        const int descriptor
            = accept4(m_listeningSocket, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE) {
                const int error = errno;
                serveReadyConnections();
                if (evictIncomplete())
                    continue;
                qCDebug(lcHttp, "Accepting paused: %s", strerror(error));
                return pauseAccepting();
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                qCWarning(lcHttp, "Cannot accept a connection: %s", strerror(errno));
            return;
        }
        if (!watch(m_epoll, EPOLL_CTL_ADD, descriptor, m_nextId, EPOLLIN | EPOLLRDHUP)) {
            ::close(descriptor);
            continue;
        }
        const Source source = sourceOf(address);
        ++m_incompletePerSource[source];
        const auto entry = m_connections.emplace_hint(m_connections.end(), m_nextId++,
            Connection { descriptor, Stage::gathering, source, m_clock.elapsed(), m_clock.elapsed() + m_requestDeadline,
                m_clock.elapsed(), {}, {} });
        // The request usually arrives together with the connection: read it now rather than after another wake-up.
        receive(entry);
    }
}

void EpollHttpServer::pauseAccepting()
{
    if (!m_isAcceptPaused && !watchListener(m_epoll, EPOLL_CTL_MOD, m_listeningSocket, false))
        return; // still watched: the next wake-up tries again
    m_isAcceptPaused = true;
    if (m_judgedAgainAt >= 0)
        m_resumeTimer.start(std::chrono::milliseconds(std::max<qint64>(m_judgedAgainAt - m_clock.elapsed(), 1)));
}

void EpollHttpServer::resumeAccepting()
{
    // Watched again, the listener wakes this thread at once if connections wait in the backlog.
    if (m_isAcceptPaused && m_listeningSocket >= 0 && watchListener(m_epoll, EPOLL_CTL_MOD, m_listeningSocket, true))
        m_isAcceptPaused = false;
}

bool EpollHttpServer::evictIncomplete()
{
    // From the source holding the most incomplete connections, or evicted most lately: a host cycling connections,
    // or a flood from many addresses that keeps coming back, cannot push out a phone whose request arrives in pieces.
    // Among equals one that has sent nothing yet, then the one silent longest, so a client still sending outlasts
    // those that are not, even when a burst of accepts gives them all the same time.
    const qint64 now = m_clock.elapsed();
    auto victim = m_connections.end();
    auto firstUnjudged = m_connections.end();
    int victimScore = 0;
    const auto isQuieter = [](const Connection& candidate, const Connection& current) {
        if (candidate.request.isEmpty() != current.request.isEmpty())
            return candidate.request.isEmpty();
        return candidate.lastByte < current.lastByte;
    };
    for (auto entry = m_connections.begin(); entry != m_connections.end(); ++entry) {
        const Connection& connection = entry->second;
        if (connection.stage != Stage::gathering)
            continue;
        if (connection.request.isEmpty() && now - connection.accepted < justAcceptedAge.count()) {
            // In the map's order, the first is the oldest.
            if (firstUnjudged == m_connections.end())
                firstUnjudged = entry;
            continue;
        }
        const auto evicted = m_evictedPerSource.find(connection.source);
        const int score
            = m_incompletePerSource[connection.source] + (evicted == m_evictedPerSource.end() ? 0 : evicted->second);
        if (score > victimScore || (score == victimScore && isQuieter(connection, victim->second))) {
            victim = entry;
            victimScore = score;
        }
    }
    if (victim == m_connections.end()) {
        m_sparedVictim = { 0, 0 };
        m_judgedAgainAt = -1;
        if (firstUnjudged != m_connections.end()) {
            m_sparedVictim = { firstUnjudged->first, firstUnjudged->second.lastByte };
            m_judgedAgainAt = firstUnjudged->second.accepted + justAcceptedAge.count();
        }
        return false;
    }
    // A young victim is spared when it has sent nothing, as its request may be on the way, or when it has sent part
    // of one and its source was not evicted lately, as it is likely a client still sending; a source evicted lately
    // has shown itself a flood. Accepting waits until the victim has aged or sent more, rather than evicting another
    // that is less likely a flood.
    const Connection& chosen = victim->second;
    const bool isFlooding = m_evictedPerSource.contains(chosen.source) || m_evictedEarlier.contains(chosen.source);
    if (now - chosen.accepted < youngConnectionAge.count() && (chosen.request.isEmpty() || !isFlooding)) {
        m_sparedVictim = { victim->first, chosen.lastByte };
        m_judgedAgainAt = chosen.accepted + youngConnectionAge.count();
        return false;
    }
    if (m_evictedPerSource.size() >= 4 * maximumConnections)
        m_evictedEarlier = std::exchange(m_evictedPerSource, {});
    ++m_evictedPerSource[chosen.source];
    close(victim);
    return true;
}

void EpollHttpServer::receive(ConnectionEntry entry)
{
    Connection& connection = entry->second;
    for (;;) {
        const qsizetype room = maximumRequestSize - connection.request.size();
        const ssize_t length = recv(connection.descriptor, m_readBuffer.data(), room, 0);
        if (length > 0) {
            connection.lastByte = m_clock.elapsed();
            const QByteArrayView piece(m_readBuffer.constData(), length);
            // The common case, a whole request in its first piece, is routed without a copy.
            if (connection.request.isEmpty()) {
                if (const std::optional<HttpRequest> request = parseHttpRequest(piece, length == room))
                    return route(entry, piece, *request);
            }
            connection.request.append(piece);
            const bool isFull = connection.request.size() == maximumRequestSize;
            if (const std::optional<HttpRequest> request = parseHttpRequest(connection.request, isFull))
                return route(entry, connection.request, *request);
            continue;
        }
        if (length == 0)
            return routeAsIs(entry); // the client has ended its side
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            close(entry); // reset: no one left to answer
        return;
    }
}

void EpollHttpServer::routeAsIs(ConnectionEntry entry)
{
    const QByteArray& bytes = entry->second.request;
    route(entry, bytes, *parseHttpRequest(bytes, true));
}

void EpollHttpServer::route(ConnectionEntry entry, QByteArrayView bytes, const HttpRequest& request)
{
    using Target = HttpRequest::Target;
    // What a hostile network sends is no fault of ours: debug only, or a flood would fill the journal.
    if (bytes.isEmpty() || !bytes.isValidUtf8()) {
        qCDebug(lcHttp, "Bad request of %lld bytes", qlonglong(bytes.size()));
        return write(entry, fixedAnswer(FixedAnswer::badRequest));
    }
    switch (requestSource(request.marks, m_ownNames)) {
    case RequestSource::foreignName:
        // Someone who typed a name we cannot vouch for is shown the address to open instead.
        if (request.target == Target::page) {
            const auto [address, port] = localEndOf(entry->second.descriptor);
            return write(entry, foreignNameAnswer(request.acceptLanguage, address, port));
        }
        qCDebug(lcHttp, "Request under a foreign name refused");
        return write(entry, fixedAnswer(FixedAnswer::forbidden));
    case RequestSource::foreignPage:
        qCDebug(lcHttp, "Request from a foreign page refused");
        return write(entry, fixedAnswer(FixedAnswer::forbidden));
    case RequestSource::ownPage:
        break;
    }
    // The page and the pong tell nothing and change nothing: a phone without a key may load the page to join.
    QByteArray keyHash;
    if (m_keys.isRequired() && request.target != Target::ping && request.target != Target::page
        && !admit(entry, request, keyHash))
        return;
    using Kind = PhoneRequest::Kind;
    switch (request.target) {
    case Target::ping:
        return write(entry, fixedAnswer(FixedAnswer::pong));
    case Target::page:
        return write(entry, m_pageAnswer);
    case Target::next:
    case Target::previous:
    case Target::blackScreen:
    case Target::first:
    case Target::last:
        return askCommand(entry, request, keyHash);
    case Target::clock:
        return write(entry, frameAnswer("200 OK", "text/plain", QByteArray::number(steadyMilliseconds())));
    case Target::pendingText:
        return ask(entry, { Kind::pendingText, {}, {} }, keyHash);
    case Target::keyTarget:
        return ask(entry, { Kind::keyTarget, {}, {} }, keyHash);
    case Target::sendText:
        break;
    case Target::join:
        // Without keys there is nothing to join: the route is as unknown as before.
        if (m_keys.isRequired())
            return ask(entry,
                { Kind::join, {}, {}, {}, request.invitation->toByteArray(),
                    QString::fromUtf8(request.userAgent.value_or(QByteArrayView())),
                    peerAddressOf(entry->second.descriptor) });
        [[fallthrough]];
    case Target::unknown:
        return write(entry, fixedAnswer(FixedAnswer::unknownCommand));
    }
    if (!request.body)
        return write(entry, fixedAnswer(FixedAnswer::missingBody));
    std::optional<TextPayload> text = decodeTextPayload(*request.body);
    if (!text) {
        qCDebug(lcHttp, "Malformed text of %lld bytes refused", qlonglong(request.body->size()));
        return write(entry, fixedAnswer(FixedAnswer::invalidJson));
    }
    ask(entry, { Kind::sendText, {}, std::move(*text) }, keyHash);
}

void EpollHttpServer::askCommand(ConnectionEntry entry, const HttpRequest& request, QByteArray keyHash)
{
    const RemoteCommand command = commandOf(request.target);
    if (!request.deadline)
        return ask(entry, { PhoneRequest::Kind::command, command, {} }, std::move(keyHash));
    bool isNumber = false;
    const qint64 deadline = request.deadline->toLongLong(&isNumber);
    if (!isNumber)
        return write(entry, fixedAnswer(FixedAnswer::badRequest));
    // Held up on the way: the page has shown the tap as failed, and its key must not move the slide now.
    const std::optional<QDeadlineTimer> within = pressBefore(deadline);
    if (!within)
        return write(entry, fixedAnswer(FixedAnswer::notPressed));
    PhoneRequest tap { PhoneRequest::Kind::command, command, {} };
    tap.pressBefore = within;
    ask(entry, std::move(tap), std::move(keyHash));
}

bool EpollHttpServer::admit(ConnectionEntry entry, const HttpRequest& request, QByteArray& keyHash)
{
    const Source& source = entry->second.source;
    const bool isAdmitted = request.target == HttpRequest::Target::join
        ? m_keys.isInvitation(request.invitation, source)
        : m_keys.check(request.key, source, keyHash) == PhoneKeyCheck::Verdict::valid;
    if (isAdmitted)
        return true;
    qCDebug(lcHttp, "Request without a valid key refused");
    ++m_refusals[peerAddressOf(entry->second.descriptor)];
    if (!m_refusalReport.isActive())
        m_refusalReport.start();
    write(entry, fixedAnswer(FixedAnswer::forbidden));
    return false;
}

void EpollHttpServer::reportRefusals()
{
    for (const auto& [address, count] : std::exchange(m_refusals, {}))
        Q_EMIT refused(address, count);
}

void EpollHttpServer::ask(ConnectionEntry entry, PhoneRequest request, QByteArray keyHash)
{
    request.keyHash = std::move(keyHash);
    m_waitingIds.push_back(entry->first);
    m_waitingRequests.push_back(std::move(request));
    Connection& connection = entry->second;
    endGathering(connection, Stage::awaitingAnswer);
    connection.deadline = m_clock.elapsed() + m_requestDeadline;
    connection.request = QByteArray();
}

void EpollHttpServer::endGathering(Connection& connection, Stage next)
{
    if (connection.stage == Stage::gathering) {
        // Left at zero until the sweep: a host that connects again soon, as most do, finds its entry still there.
        --m_incompletePerSource.find(connection.source)->second;
    }
    connection.stage = next;
}

void EpollHttpServer::answer(const std::vector<quint64>& ids, const std::vector<PhoneAnswer>& answers)
{
    for (std::size_t index = 0; index < ids.size() && index < answers.size(); ++index) {
        const auto entry = m_connections.find(ids[index]);
        if (entry != m_connections.end() && entry->second.stage == Stage::awaitingAnswer)
            write(entry, framePhoneAnswer(answers[index]));
    }
    m_isAskingMainThread = false;
    settle();
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
            endGathering(connection, Stage::writing);
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
    endGathering(entry->second, Stage::writing);
    // Closing also takes the socket out of the epoll set.
    ::close(entry->second.descriptor);
    m_connections.erase(entry);
    // A place and a descriptor are free.
    resumeAccepting();
}

void EpollHttpServer::sweep()
{
    const qint64 now = m_clock.elapsed();
    // Evictions count in the score for one deadline, and spare no young connection for one more.
    if (now - m_evictionsSince >= m_requestDeadline) {
        m_evictedEarlier = std::exchange(m_evictedPerSource, {});
        m_evictionsSince = now;
    }
    for (auto entry = m_connections.begin(); entry != m_connections.end();) {
        const auto next = std::next(entry);
        if (entry->second.deadline <= now) {
            // What came by the deadline is routed; an answer that never came or never left ends the connection.
            if (entry->second.stage == Stage::gathering)
                routeAsIs(entry);
            else
                close(entry);
        }
        entry = next;
    }
    // Sources are counted from zero again once nothing of theirs is left.
    std::erase_if(m_incompletePerSource, [](const auto& count) { return count.second == 0; });
    // Descriptors that other parts of the process freed count too.
    resumeAccepting();
    if (!hasWork())
        m_sweepTimer.stop();
    settle();
}

bool EpollHttpServer::hasWork() const { return !m_connections.empty() || m_isAcceptPaused; }

void EpollHttpServer::settle()
{
    // Accepting waits on a spared victim: once it has sent more, or is no longer gathering, the choice is made anew.
    if (m_isAcceptPaused) {
        const auto spared = m_connections.find(m_sparedVictim.first);
        if (spared != m_connections.end()
            && (spared->second.stage != Stage::gathering || spared->second.lastByte != m_sparedVictim.second))
            resumeAccepting();
    }
    if (!m_isAskingMainThread && !m_waitingIds.empty()) {
        m_isAskingMainThread = true;
        Q_EMIT requestsArrived(std::exchange(m_waitingIds, {}), std::exchange(m_waitingRequests, {}));
    }
    // The sweep also resumes a paused accept, for descriptors that other parts of the process free. It stops itself
    // once idle: stopping and starting a timer for every burst of one-shot connections costs more than one idle sweep.
    if (hasWork() && !m_sweepTimer.isActive())
        m_sweepTimer.start();
    if (m_isDraining && m_connections.empty()) {
        m_isDraining = false;
        Q_EMIT finished();
    }
}
