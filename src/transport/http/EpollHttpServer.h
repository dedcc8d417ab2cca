#pragma once

#include "platform/HttpListener.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;

// The listener's link to the main thread. Only the main thread reads or writes it; the network thread only
// carries it along, so a late report can still tell that its listener is gone.
struct HttpListenerLink {
    HttpListenerFactory::Callbacks callbacks;
    bool isSilenced = false; // the listener was destroyed: no callback may run any more
    bool isCancelled = false; // state reports are over; routes are still answered
};

// The HTTP server of one port, living on the network thread. One epoll set watched by one notifier carries the
// listening socket and every connection, so a connection costs no object or signal of its own.
class EpollHttpServer : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t maximumConnections = 1024;

    EpollHttpServer(std::shared_ptr<HttpListenerLink> link, std::chrono::milliseconds requestDeadline);
    ~EpollHttpServer() override;

    // Network thread only from here on.
    void start(quint16 port);
    void stopListening();

private:
    enum class Stage { gathering, awaitingAnswer, writing };
    struct Connection {
        int descriptor;
        Stage stage;
        qint64 deadline; // on m_clock
        QByteArray request; // bytes of a request that came in several pieces
        QByteArray unsent; // rest of an answer the socket could not take at once
    };
    using ConnectionEntry = std::map<quint64, Connection>::iterator;

    void handleReadiness();
    void acceptConnections();
    bool evictLongestWaiting();
    void receive(ConnectionEntry entry);
    void route(ConnectionEntry entry, QByteArrayView request);
    void askMainThread();
    void answer(const std::vector<quint64>& ids, const std::vector<HttpAnswer>& answers);
    void write(ConnectionEntry entry, QByteArray frame);
    void close(ConnectionEntry entry);
    void sweep();
    void reportState(HttpListenerState state);

    const std::shared_ptr<HttpListenerLink> m_link;
    const qint64 m_requestDeadline;
    int m_epoll = -1;
    int m_listeningSocket = -1;
    QSocketNotifier* m_readiness = nullptr;
    QTimer m_sweepTimer { this };
    QElapsedTimer m_clock;
    // Ordered by arrival: the first gathering entry is the one that has waited longest.
    std::map<quint64, Connection> m_connections;
    quint64 m_nextId = 1;
    QByteArray m_readBuffer;
    // Requests for the main thread wait here while an earlier group is being answered there, so a burst costs
    // one hop each way rather than one per request.
    std::vector<quint64> m_waitingIds;
    std::vector<RouteRequest> m_waitingRequests;
    bool m_isAskingMainThread = false;
};
