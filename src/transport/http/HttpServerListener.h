#pragma once

#include "platform/HttpListener.h"

#include <QObject>
#include <chrono>
#include <memory>

class EpollHttpServer;
class QThread;

// The main thread's side of one HTTP server on the network thread: it owns the server, receives its reports and
// requests there, has the handler answer them, and sends the answers back. Qt drops what is still queued for it once
// it is gone.
class HttpServerListener final : public HttpListener {
    Q_OBJECT
public:
    // Creates listeners whose servers do their socket work on the given network thread (started by its owner, and
    // running until every listener is gone).
    class Factory final : public HttpListenerFactory {
    public:
        // The remote page is told the peer link's WebSocket port (0: the page then speaks HTTP only).
        Factory(QThread& networkThread, quint16 peerPort,
            std::chrono::milliseconds requestDeadline = std::chrono::seconds(10));
        // A port that cannot be had is reported as a failed state.
        std::unique_ptr<HttpListener> listen(
            quint16 port, PhoneRequestHandler& handler, const PhoneKeys& keys) override;

    private:
        QThread& m_networkThread;
        const std::chrono::milliseconds m_requestDeadline;
        // Built once; every listener's server shares its bytes.
        const QByteArray m_pageAnswer;
    };

    HttpServerListener(QThread& networkThread, quint16 port, std::chrono::milliseconds requestDeadline,
        const QByteArray& pageAnswer, PhoneRequestHandler& handler, const PhoneKeys& keys);
    ~HttpServerListener() override;

    void cancel() override;
    bool isFinished() const override { return !m_server; }
    void setPhoneKeys(const PhoneKeys& keys) override;

private:
    void receive(const std::vector<quint64>& ids, const std::vector<PhoneRequest>& requests);

    QThread& m_networkThread;
    PhoneRequestHandler& m_handler;
    EpollHttpServer* m_server;
    // Receives the state reports; deleting it on cancel() drops those still queued.
    std::unique_ptr<QObject> m_stateReports = std::make_unique<QObject>();
};
