#pragma once

#include "GuardedPeerLinkDelegate.h"
#include "PeerSessionServer.h"
#include "platform/PeerLink.h"

#include <QObject>
#include <QPointer>
#include <QSet>

class QThread;

// The peer link on Linux: WebSocket sessions on the network thread, published through DNS-SD.
// Made and used on the main thread. Destroy it while the network thread runs, or after that thread has ended.
class WebSocketPeerLink : public QObject, public PeerLink {
    Q_OBJECT

public:
    explicit WebSocketPeerLink(QThread& networkThread, PeerSessionServer::Timing timing = {});
    ~WebSocketPeerLink() override;

    // The port the sessions are served on, 0 when the server could not listen.
    quint16 port() const { return m_port; }

    void setDelegate(PeerLinkDelegate* delegate) override;
    // serviceType "quorvelantis" is published as the DNS-SD type "_quorvelantis._tcp".
    void startAdvertising(const QString& displayName, const QString& serviceType) override;
    // Up to date with every state event whose delegate call queued work to the main thread before that work runs.
    bool hasConnectedPeers() const override;
    bool sendToConnectedPeers(const QByteArray& data) override;

private:
    QThread& m_thread;
    GuardedPeerLinkDelegate m_delegate;
    QPointer<PeerSessionServer> m_server;
    quint16 m_port = 0;
    // The main thread's copy of the connected peers, updated ahead of the delegate's queued work.
    QSet<quint64> m_connectedPeers;
};
