#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

enum class PeerState { notConnected, connecting, connected };

// The local-network session the phone joins: advertised by name, every peer sends whole buffers.
// Lives on the main thread, and so do the receivers of its signals.
class PeerLink : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void startAdvertising(const QString& displayName, const QString& serviceType) = 0;
    // Sends to every connected peer; delivered or undelivered follows once for this delivery.
    virtual void send(quint64 delivery, const QByteArray& data) = 0;

Q_SIGNALS:
    // One peer's state changed; connectedPeers is how many are connected once it has.
    void peerStateChanged(PeerState state, int connectedPeers);
    void messageReceived(const QByteArray& data);
    void advertisingFailed();
    // Published (again): a failure reported before no longer holds.
    void advertisingSucceeded();
    // A peer read the data: its socket drained it and the peer answered after it.
    void delivered(quint64 delivery);
    // Every peer it went to left before showing it had read it, or there was none.
    void undelivered(quint64 delivery);
};
