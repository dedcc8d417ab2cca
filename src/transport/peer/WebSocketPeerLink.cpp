#include "WebSocketPeerLink.h"

#include <QDeadlineTimer>
#include <QThread>

WebSocketPeerLink::WebSocketPeerLink(QThread& networkThread, PeerSessionServer::Timing timing)
    : m_thread(networkThread)
    , m_server(new PeerSessionServer(timing))
{
    // Listening before the move gives the port at once; the listening socket moves along with the server.
    m_port = m_server->listen();
    m_server->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &PeerSessionServer::peerStateChanged, this, &PeerLink::peerStateChanged);
    connect(m_server, &PeerSessionServer::commandsReceived, this, [this](const std::vector<RemoteCommand>& commands) {
        for (const RemoteCommand command : commands)
            Q_EMIT commandReceived(command);
        // Only now may the next group come: a peer sending without pause waits on the service, not the heap.
        if (m_server)
            QMetaObject::invokeMethod(m_server, &PeerSessionServer::takeCommands, Qt::QueuedConnection);
    });
    connect(m_server, &PeerSessionServer::delivered, this, &PeerLink::delivered);
    connect(m_server, &PeerSessionServer::keyedSessionsChanged, this, &PeerLink::keyedSessionsChanged);
    connect(m_server, &PeerSessionServer::refused, this, &PeerLink::refused);
}

WebSocketPeerLink::~WebSocketPeerLink()
{
    if (m_publishing) {
        m_publishing->quit();
        // A hung avahi-daemon holds the thread in a D-Bus call for up to 25 s: quitting does not wait that out, the
        // thread is left to the process's exit.
        if (!m_publishing->wait(QDeadlineTimer(publishingStopTimeout)))
            m_publishing.release();
    }
    if (!m_server)
        return;
    // Events the server queued for this link are dropped along with it.
    if (m_thread.isFinished()) {
        delete m_server;
        return;
    }
    disconnect(&m_thread, nullptr, m_server, nullptr);
    m_server->deleteLater();
}

void WebSocketPeerLink::startAdvertising(const QString& displayName, const QString& serviceType)
{
    if (m_publishing)
        return;
    if (m_port == 0) {
        Q_EMIT advertisingFailed();
        return;
    }
    m_publishing = std::make_unique<PublishingThread>(displayName, "_" + serviceType.toUtf8() + "._tcp", m_port);
    connect(m_publishing.get(), &PublishingThread::unavailable, this, &PeerLink::advertisingFailed);
    connect(m_publishing.get(), &PublishingThread::published, this, &PeerLink::advertisingSucceeded);
    m_publishing->start();
}

void WebSocketPeerLink::offerText(quint64 delivery, const TextPayload& text)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server.data(), delivery, text] { server->offerText(delivery, text); },
        Qt::QueuedConnection);
}

void WebSocketPeerLink::withdrawText()
{
    QMetaObject::invokeMethod(m_server, &PeerSessionServer::withdrawText, Qt::QueuedConnection);
}

void WebSocketPeerLink::publishKeyTarget(const KeyTarget& target, const QString& programName)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server.data(), target, programName] { server->publishKeyTarget(target, programName); },
        Qt::QueuedConnection);
}

void WebSocketPeerLink::setPagePort(quint16 port)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server.data(), port] { server->setPagePort(port); }, Qt::QueuedConnection);
}

void WebSocketPeerLink::setPhoneKeys(const PhoneKeys& keys)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server.data(), keys] { server->setPhoneKeys(keys); }, Qt::QueuedConnection);
}
