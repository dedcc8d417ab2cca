#pragma once

#include "platform/HttpListener.h"

#include <QObject>
#include <chrono>
#include <memory>

class EpollHttpServer;
class QThread;
class WebSocketPeerLink;

// The main thread's side of one HTTP server on the network thread: it owns the server, receives its reports and
// requests there, and sends the service's answers back. Qt drops what is still queued for it once it is gone.
class HttpServerListener final : public HttpListener {
    Q_OBJECT
public:
    // Creates listeners whose servers do their socket work on the given network thread (started by its owner, and
    // running until every listener is gone).
    class Factory final : public HttpListenerFactory {
    public:
        // The remote page is told the peer link's WebSocket port (none: the page then speaks HTTP only), and the peer
        // link the port the page is served from, so that it takes handshakes from that page alone.
        explicit Factory(QThread& networkThread, WebSocketPeerLink* peerLink = nullptr,
            std::chrono::milliseconds requestDeadline = std::chrono::seconds(10));
        // A port that cannot be had is reported as a failed state.
        std::unique_ptr<HttpListener> listen(quint16 port) override;

    private:
        QThread& m_networkThread;
        WebSocketPeerLink* const m_peerLink;
        const std::chrono::milliseconds m_requestDeadline;
        // Built once; every listener's server shares its bytes.
        const QByteArray m_pageAnswer;
    };

    HttpServerListener(
        QThread& networkThread, quint16 port, std::chrono::milliseconds requestDeadline, const QByteArray& pageAnswer);
    ~HttpServerListener() override;

    void cancel() override;
    bool isFinished() const override { return !m_server; }
    void answer(std::vector<HttpOutcome> outcomes) override;

private:
    void receive(const std::vector<quint64>& ids, const std::vector<RouteRequest>& requests);

    QThread& m_networkThread;
    // What the receivers of requestsReceived answered, while that signal runs.
    std::vector<HttpOutcome> m_outcomes;
    EpollHttpServer* m_server;
    // Receives the state reports; deleting it on cancel() drops those still queued.
    std::unique_ptr<QObject> m_stateReports = std::make_unique<QObject>();
};
