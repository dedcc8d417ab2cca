#include "TcpHttpListenerFactory.h"

#include "EpollHttpServer.h"

#include <QSemaphore>
#include <QThread>

namespace {

// How long the main thread waits for the network thread to close a port; that thread never blocks, so this
// only bounds a thread that is shutting down.
constexpr int stopWaitMilliseconds = 2000;

class TcpHttpListener final : public HttpListener {
public:
    TcpHttpListener(QThread& networkThread, quint16 port, HttpListenerFactory::Callbacks callbacks,
        std::chrono::milliseconds requestDeadline)
        : m_networkThread(networkThread)
        , m_link(std::make_shared<HttpListenerLink>(HttpListenerLink { std::move(callbacks) }))
        , m_server(new EpollHttpServer(m_link, requestDeadline))
    {
        m_server->moveToThread(&m_networkThread);
        QMetaObject::invokeMethod(
            m_server, [server = m_server, port] { server->start(port); }, Qt::QueuedConnection);
    }

    ~TcpHttpListener() override
    {
        m_link->isSilenced = true;
        if (m_networkThread.isRunning())
            m_server->deleteLater();
        else
            delete m_server;
    }

    void cancel() override
    {
        if (m_link->isCancelled)
            return;
        m_link->isCancelled = true;
        if (m_networkThread.isRunning()) {
            // Waits, so that the port is free again when this returns, e.g. for a new listener on the same port.
            const auto stopped = std::make_shared<QSemaphore>();
            QMetaObject::invokeMethod(
                m_server,
                [server = m_server, stopped] {
                    server->stopListening();
                    stopped->release();
                },
                Qt::QueuedConnection);
            stopped->tryAcquire(1, stopWaitMilliseconds);
        } else {
            m_server->stopListening();
        }
        m_link->callbacks.stateChanged(HttpListenerState::cancelled);
    }

private:
    QThread& m_networkThread;
    const std::shared_ptr<HttpListenerLink> m_link;
    EpollHttpServer* const m_server;
};

}

TcpHttpListenerFactory::TcpHttpListenerFactory(QThread& networkThread, std::chrono::milliseconds requestDeadline)
    : m_networkThread(networkThread)
    , m_requestDeadline(requestDeadline)
{
}

std::unique_ptr<HttpListener> TcpHttpListenerFactory::listen(quint16 port, Callbacks callbacks)
{
    return std::make_unique<TcpHttpListener>(m_networkThread, port, std::move(callbacks), m_requestDeadline);
}
