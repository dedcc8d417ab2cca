#include "HttpServerListener.h"

#include "EpollHttpServer.h"
#include "WebRemotePage.h"

#include <QThread>

HttpServerListener::Factory::Factory(
    QThread& networkThread, quint16 peerPort, std::chrono::milliseconds requestDeadline)
    : m_networkThread(networkThread)
    , m_requestDeadline(requestDeadline)
    , m_pageAnswer(webRemotePageAnswer(peerPort))
{
}

std::unique_ptr<HttpListener> HttpServerListener::Factory::listen(
    quint16 port, PhoneRequestHandler& handler, const PhoneKeys& keys)
{
    return std::make_unique<HttpServerListener>(m_networkThread, port, m_requestDeadline, m_pageAnswer, handler, keys);
}

HttpServerListener::HttpServerListener(QThread& networkThread, quint16 port, std::chrono::milliseconds requestDeadline,
    const QByteArray& pageAnswer, PhoneRequestHandler& handler, const PhoneKeys& keys)
    : m_networkThread(networkThread)
    , m_handler(handler)
    , m_server(new EpollHttpServer(requestDeadline, pageAnswer, keys))
{
    connect(m_server, &EpollHttpServer::refused, this, &HttpListener::refused, Qt::QueuedConnection);
    connect(
        m_server, &EpollHttpServer::stateChanged, m_stateReports.get(),
        [this](HttpListenerState state) { Q_EMIT stateChanged(state); }, Qt::QueuedConnection);
    connect(m_server, &EpollHttpServer::requestsArrived, this, &HttpServerListener::receive, Qt::QueuedConnection);
    connect(
        m_server, &EpollHttpServer::finished, this,
        [this] {
            m_server->deleteLater();
            m_server = nullptr;
        },
        Qt::QueuedConnection);
    m_server->moveToThread(&m_networkThread);
    QMetaObject::invokeMethod(
        m_server, [server = m_server, port] { server->start(port); }, Qt::QueuedConnection);
}

HttpServerListener::~HttpServerListener()
{
    if (!m_server)
        return;
    if (m_networkThread.isRunning())
        m_server->deleteLater();
    else
        delete m_server;
}

void HttpServerListener::cancel()
{
    m_stateReports.reset();
    // Queued behind everything asked of the server before, so a successor's start finds the port free.
    if (m_server)
        QMetaObject::invokeMethod(m_server, &EpollHttpServer::stopAccepting, Qt::QueuedConnection);
}

void HttpServerListener::setPhoneKeys(const PhoneKeys& keys)
{
    if (m_server)
        QMetaObject::invokeMethod(
            m_server, [server = m_server, keys] { server->setPhoneKeys(keys); }, Qt::QueuedConnection);
}

void HttpServerListener::receive(const std::vector<quint64>& ids, const std::vector<PhoneRequest>& requests)
{
    // The server asks again only once it has this reply.
    QMetaObject::invokeMethod(
        m_server, [server = m_server, ids, answers = m_handler.answer(requests)] { server->answer(ids, answers); },
        Qt::QueuedConnection);
}
