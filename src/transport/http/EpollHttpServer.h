#pragma once

#include "HttpRequestParser.h"
#include "platform/HttpListener.h"
#include "transport/PhoneKeyCheck.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <map>
#include <utility>
#include <vector>

class QSocketNotifier;

// The HTTP server of one port, living on the network thread. One epoll set watched by one notifier carries the
// listening socket and every connection, so a connection costs no object or signal of its own.
class EpollHttpServer : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t maximumConnections = 1024;
    // At the cap, a connection younger than this is evicted only if it has sent part of a request and its source was
    // evicted lately. In a burst, clients connect first and send a moment later; on a poor Wi-Fi a request follows
    // the handshake by a round trip, and its pieces one another by a lost segment's retransmission: a few hundred ms.
    static constexpr std::chrono::milliseconds youngConnectionAge { 500 };
    // One younger still that has sent nothing is not judged at all: its request follows within a round trip, and
    // waiting on it would hold every accept behind the slowest client.
    static constexpr std::chrono::milliseconds justAcceptedAge { 20 };

    // Every stage of a connection (gathering its request, awaiting its answer, writing it) ends by this deadline.
    // pageAnswer: the whole answer to "GET / ", written from this thread like the pong. keys: those checked from the
    // first request.
    EpollHttpServer(std::chrono::milliseconds requestDeadline, QByteArray pageAnswer, const PhoneKeys& keys);
    ~EpollHttpServer() override;

    // Network thread only from here on.
    void start(quint16 port);
    // Closes the port at once; finished() follows once every connection held has been answered or has timed out.
    void stopAccepting();
    // Writes each answer to its connection if that connection still awaits it.
    void answer(const std::vector<quint64>& ids, const std::vector<PhoneAnswer>& answers);
    void setPhoneKeys(const PhoneKeys& keys) { m_keys.setKeys(keys); }

Q_SIGNALS:
    void stateChanged(HttpListenerState state);
    // A group of requests for the desktop, with the ids to answer them by; the next group waits for answer().
    void requestsArrived(const std::vector<quint64>& ids, const std::vector<PhoneRequest>& requests);
    void finished();
    // Requests refused for want of a valid key, gathered over a short while so a flood costs few reports.
    void refused(const QString& address, int count);

private:
    enum class Stage { gathering, awaitingAnswer, writing };
    // The peer's address, IPv4 ones in their IPv6-mapped form, IPv6 ones cut to their /64.
    using Source = std::array<quint8, 16>;
    struct Connection {
        int descriptor;
        Stage stage;
        Source source;
        qint64 accepted; // on m_clock
        qint64 deadline; // on m_clock
        qint64 lastByte; // on m_clock: when its latest bytes came, or when it was accepted
        QByteArray request; // bytes of a request that came in several pieces
        QByteArray unsent; // rest of an answer the socket could not take at once
    };
    using ConnectionEntry = std::map<quint64, Connection>::iterator;

    void handleReadiness();
    void serve(quint64 id);
    void serveReadyConnections();
    void acceptConnections();
    void pauseAccepting();
    void resumeAccepting();
    bool evictIncomplete();
    void receive(ConnectionEntry entry);
    // Routes what came when no more will come.
    void routeAsIs(ConnectionEntry entry);
    void route(ConnectionEntry entry, QByteArrayView bytes, const HttpRequest& request);
    // A slide command; a page's tap, which carries its deadline, is pressed before it or never.
    void askCommand(ConnectionEntry entry, const HttpRequest& request, QByteArray keyHash);
    // False, with the refusal written, when keys are required and the request carries no valid one.
    bool admit(ConnectionEntry entry, const HttpRequest& request, QByteArray& keyHash);
    void ask(ConnectionEntry entry, PhoneRequest request, QByteArray keyHash = {});
    void reportRefusals();
    void endGathering(Connection& connection, Stage next);
    void write(ConnectionEntry entry, QByteArray frame);
    void close(ConnectionEntry entry);
    void sweep();
    void settle();
    bool hasWork() const;

    const qint64 m_requestDeadline;
    const QByteArray m_pageAnswer;
    const OwnHostNames m_ownNames;
    PhoneKeyCheck m_keys;
    std::map<QString, int> m_refusals;
    QTimer m_refusalReport { this };
    int m_epoll = -1;
    int m_listeningSocket = -1;
    QSocketNotifier* m_readiness = nullptr;
    QTimer m_sweepTimer { this };
    // Accepting resumes when the spared victim may be evicted.
    QTimer m_resumeTimer { this };
    QElapsedTimer m_clock;
    // Ordered by arrival: the first gathering entries are those that have waited longest.
    std::map<quint64, Connection> m_connections;
    quint64 m_nextId = 1;
    std::map<Source, int> m_incompletePerSource;
    std::map<Source, int> m_evictedPerSource;
    // Those of the deadline before: forgetting them at once would spare a whole flood while it is young again.
    std::map<Source, int> m_evictedEarlier;
    qint64 m_evictionsSince = 0; // on m_clock
    QByteArray m_readBuffer;
    // Requests for the main thread wait here while an earlier group is being answered there, so a burst costs
    // one hop each way rather than one per request.
    std::vector<quint64> m_waitingIds;
    std::vector<PhoneRequest> m_waitingRequests;
    bool m_isAskingMainThread = false;
    // At the cap, or out of descriptors, with nothing to evict: the listener is out of the epoll set, and new
    // connections wait in the kernel's backlog until a place frees.
    bool m_isAcceptPaused = false;
    // The connection that eviction chose but spared while young, or the oldest it left unjudged, and when its latest
    // bytes came; when it may be judged again (on m_clock), -1 if nothing gathering was left unjudged.
    std::pair<quint64, qint64> m_sparedVictim { 0, 0 };
    qint64 m_judgedAgainAt = -1;
    bool m_isDraining = false;
};
