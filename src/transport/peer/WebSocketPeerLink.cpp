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
    connect(m_server, &PeerSessionServer::commandsReceived, this, [this](const std::vector<PeerCommand>& commands) {
        for (const PeerCommand& command : commands) {
            if (const auto* tap = std::get_if<PageTap>(&command))
                Q_EMIT tapReceived(*tap);
            else
                Q_EMIT commandReceived(std::get<RemoteCommand>(command));
        }
        // Only now may the next group come: a peer sending without pause waits on the service, not the heap.
        if (m_server)
            QMetaObject::invokeMethod(m_server, &PeerSessionServer::takeCommands, Qt::QueuedConnection);
    });
    connect(m_server, &PeerSessionServer::delivered, this, &PeerLink::delivered);
    connect(m_server, &PeerSessionServer::keyedSessionsChanged, this, &PeerLink::keyedSessionsChanged);
    connect(m_server, &PeerSessionServer::refused, this, &PeerLink::refused);
    connect(m_server, &PeerSessionServer::pointerMoved, this, &PeerLink::pointerMoved);
    connect(m_server, &PeerSessionServer::pointerLifted, this, &PeerLink::pointerLifted);
    connect(m_server, &PeerSessionServer::pictureRequested, this, &PeerLink::pictureRequested);
    connect(m_server, &PeerSessionServer::pictureWatchersChanged, this, &PeerLink::pictureWatchersChanged);
}

WebSocketPeerLink::~WebSocketPeerLink()
{
    // The port first: the network thread closes it while the service is being withdrawn, so a new instance can
    // listen at once.
    if (m_server) {
        // Events the server queued for this link are dropped along with it.
        if (m_thread.isFinished()) {
            delete m_server;
        } else {
            disconnect(&m_thread, nullptr, m_server, nullptr);
            m_server->deleteLater();
        }
    }
    if (m_publishing) {
        m_publishing->quit();
        // A hung avahi-daemon holds the thread in a D-Bus call for up to 25 s: quitting does not wait that out, the
        // thread is left to the process's exit.
        if (!m_publishing->wait(QDeadlineTimer(publishingStopTimeout)))
            m_publishing.release();
    }
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

void WebSocketPeerLink::answerTap(const PageTap& tap, bool pressed)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server.data(), tap, pressed] { server->answerTap(tap, pressed); }, Qt::QueuedConnection);
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

void WebSocketPeerLink::publishPicture(const QByteArray& jpeg)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server.data(), jpeg] { server->publishPicture(jpeg); }, Qt::QueuedConnection);
}
