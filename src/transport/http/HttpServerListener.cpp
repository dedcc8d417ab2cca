#include "HttpServerListener.h"

#include "EpollHttpServer.h"
#include "WebRemotePage.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QThread>

HttpServerListener::Factory::Factory(
    QThread& networkThread, WebSocketPeerLink* peerLink, std::chrono::milliseconds requestDeadline)
    : m_networkThread(networkThread)
    , m_peerLink(peerLink)
    , m_requestDeadline(requestDeadline)
    , m_pageAnswer(webRemotePageAnswer(peerLink ? peerLink->port() : 0))
{
}

std::unique_ptr<HttpListener> HttpServerListener::Factory::listen(quint16 port)
{
    if (m_peerLink)
        m_peerLink->setPagePort(port);
    return std::make_unique<HttpServerListener>(m_networkThread, port, m_requestDeadline, m_pageAnswer);
}

HttpServerListener::HttpServerListener(
    QThread& networkThread, quint16 port, std::chrono::milliseconds requestDeadline, const QByteArray& pageAnswer)
    : m_networkThread(networkThread)
    , m_server(new EpollHttpServer(requestDeadline, pageAnswer))
{
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

void HttpServerListener::answer(std::vector<HttpOutcome> outcomes) { m_outcomes = std::move(outcomes); }

void HttpServerListener::receive(const std::vector<quint64>& ids, const std::vector<RouteRequest>& requests)
{
    m_outcomes.clear();
    Q_EMIT requestsReceived(requests);
    // The server asks again only once it has this reply, even an empty one.
    const std::vector<HttpOutcome> outcomes = std::exchange(m_outcomes, {});
    std::vector<std::pair<quint64, HttpOutcome>> answers;
    answers.reserve(ids.size());
    for (std::size_t index = 0; index < ids.size() && index < outcomes.size(); ++index)
        answers.emplace_back(ids[index], outcomes[index]);
    QMetaObject::invokeMethod(
        m_server, [server = m_server, answers = std::move(answers)] { server->answer(answers); }, Qt::QueuedConnection);
}
