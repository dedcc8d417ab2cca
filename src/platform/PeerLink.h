#pragma once

#include <QByteArray>
#include <QString>

// Receives the peer link's events. Every call may come from the network thread.
class PeerLinkDelegate {
public:
    virtual ~PeerLinkDelegate() = default;
    virtual bool shouldAcceptInvitation() = 0;
    // 0 not connected, 1 connecting, 2 connected; other values are possible.
    virtual void peerDidChangeState(int state) = 0;
    virtual void peerDidReceiveData(const QByteArray& data) = 0;
    virtual void advertisingDidFail() = 0;
};

// The local-network session the phone joins: advertised by name, every peer sends whole buffers.
class PeerLink {
public:
    virtual ~PeerLink() = default;
    // With nullptr, no delegate call is running or will run once this returns.
    virtual void setDelegate(PeerLinkDelegate* delegate) = 0;
    virtual void startAdvertising(const QString& displayName, const QString& serviceType) = 0;
    // Main thread; the session's own current list decides.
    virtual bool hasConnectedPeers() const = 0;
    // Main thread; reliable delivery to every connected peer, true when all of them took it.
    virtual bool sendToConnectedPeers(const QByteArray& data) = 0;
};
