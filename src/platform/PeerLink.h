#pragma once

#include "PhoneKeys.h"
#include "PhoneRequest.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointF>
#include <QString>

enum class PeerState { notConnected, connecting, connected };

// A slide command tapped on the remote page, which waits to hear whether its key was pressed. The page shows the tap
// as failed once it has waited a second, so its key must never be pressed after pressBefore.
struct PageTap {
    quint64 peer;
    qint64 id; // the page's own number for the tap
    RemoteCommand command;
    QDeadlineTimer pressBefore;
};

// The local-network session the phone joins: advertised by name, every peer sends whole buffers.
// Lives on the main thread, and so do the receivers of its signals.
class PeerLink : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void startAdvertising(const QString& displayName, const QString& serviceType) = 0;
    // Offers the text to every peer connected now or joining later, replacing any text offered before, until a peer
    // shows it read it (delivered) or the offer is withdrawn.
    virtual void offerText(quint64 delivery, const TextPayload& text) = 0;
    // The text was taken another way: peers joining from now on do not get it.
    virtual void withdrawText() = 0;
    // Where the keys go, for the pages that asked to be told.
    virtual void publishKeyTarget(const KeyTarget& target, const QString& programName) = 0;
    // Tells the page that tapped whether the key was pressed.
    virtual void answerTap(const PageTap& tap, bool pressed) = 0;
    // Handshakes from now on are checked against these, and sessions whose key they no longer hold end.
    virtual void setPhoneKeys(const PhoneKeys& keys) = 0;
    // The screen's picture, for the pages that asked; one a slow page has not taken yet is replaced, never queued.
    virtual void publishPicture(const QByteArray& jpeg) = 0;

Q_SIGNALS:
    // One peer's state changed; connectedPeers is how many are connected once it has.
    void peerStateChanged(PeerState state, int connectedPeers);
    // From the phone app, which hears nothing back.
    void commandReceived(RemoteCommand command);
    void tapReceived(const PageTap& tap);
    // A finger on a page's pointer pad, relative to the pad as to the screen; lifted also when its page goes.
    void pointerMoved(QPointF position);
    void pointerLifted();
    // A page let in by its key asked for a fresh picture of the screen; only while keys are required.
    void pictureRequested();
    // How many pages get the screen's pictures now.
    void pictureWatchersChanged(int watchers);
    void advertisingFailed();
    // Published (again): a failure reported before no longer holds.
    void advertisingSucceeded();
    // A peer read the offered text: its socket drained it and the peer answered after it.
    void delivered(quint64 delivery);
    // The hashes of the keys of the sessions open now, one per session, while keys are required.
    void keyedSessionsChanged(const QList<QByteArray>& keyHashes);
    // Handshakes without a valid key, from one address, since the last report.
    void refused(const QString& address, int count);
};
