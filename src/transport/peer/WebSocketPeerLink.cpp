#include "WebSocketPeerLink.h"

#include <QThread>

WebSocketPeerLink::WebSocketPeerLink(QThread& networkThread, PeerSessionServer::Timing timing)
    : m_thread(networkThread)
    , m_server(new PeerSessionServer(m_delegate, timing))
{
    // Listening before the move gives the port at once; the listening socket moves along with the server.
    m_port = m_server->listen();
    m_server->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &PeerSessionServer::peerConnectedChanged, this, [this](quint64 peer, bool connected) {
        if (connected)
            m_connectedPeers.insert(peer);
        else
            m_connectedPeers.remove(peer);
    });
}

WebSocketPeerLink::~WebSocketPeerLink()
{
    if (!m_server)
        return;
    if (m_thread.isRunning()) {
        QMetaObject::invokeMethod(
            m_server, [server = m_server.data()] { delete server; }, Qt::BlockingQueuedConnection);
    } else {
        delete m_server;
    }
}

void WebSocketPeerLink::setDelegate(PeerLinkDelegate* delegate) { m_delegate.set(delegate); }

void WebSocketPeerLink::startAdvertising(const QString& displayName, const QString& serviceType)
{
    const QByteArray dnsSdType = "_" + serviceType.toUtf8() + "._tcp";
    QMetaObject::invokeMethod(
        m_server,
        [server = m_server.data(), displayName, dnsSdType] { server->startAdvertising(displayName, dnsSdType); },
        Qt::QueuedConnection);
}

bool WebSocketPeerLink::hasConnectedPeers() const { return !m_connectedPeers.isEmpty(); }

bool WebSocketPeerLink::sendToConnectedPeers(const QByteArray& data)
{
    // The send waits for the network thread, which only queues the bytes on its sockets.
    if (m_connectedPeers.isEmpty() || !m_server || !m_thread.isRunning())
        return false;
    bool allTookIt = false;
    QMetaObject::invokeMethod(
        m_server,
        [server = m_server.data(), peers = m_connectedPeers.values(), &data] { return server->sendTo(peers, data); },
        Qt::BlockingQueuedConnection, &allTookIt);
    return allTookIt;
}
