#pragma once

#include "platform/PeerLink.h"

#include <QByteArray>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QSignalSpy>
#include <QWebSocket>
#include <atomic>

// Records the link's events the way the service takes them: each hops to the main thread, where the link's
// connected-peer list is read at once. Like the service, it is the link's delegate for exactly its own lifetime.
class RecordingPeerDelegate : public QObject, public PeerLinkDelegate {
public:
    struct StateSeen {
        int state;
        bool hasConnectedPeers;
        bool operator==(const StateSeen&) const = default;
    };

    explicit RecordingPeerDelegate(PeerLink& link)
        : m_link(link)
    {
        m_link.setDelegate(this);
    }
    ~RecordingPeerDelegate() override { m_link.setDelegate(nullptr); }

    std::atomic<bool> accepts = true;
    // Main thread only.
    QList<StateSeen> states;
    QList<QByteArray> buffers;
    int advertisingFailures = 0;

    bool shouldAcceptInvitation() override { return accepts; }

    void peerDidChangeState(int state) override
    {
        QMetaObject::invokeMethod(
            this,
            [this, state] {
                states.append({ state, m_link.hasConnectedPeers() });
            },
            Qt::QueuedConnection);
    }

    void peerDidReceiveData(const QByteArray& data) override
    {
        QMetaObject::invokeMethod(
            this, [this, data] { buffers.append(data); }, Qt::QueuedConnection);
    }

    void advertisingDidFail() override
    {
        QMetaObject::invokeMethod(
            this, [this] { ++advertisingFailures; }, Qt::QueuedConnection);
    }

private:
    PeerLink& m_link;
};

// A real WebSocket client on loopback that keeps what the desktop sends.
struct Client {
    QWebSocket socket;
    QList<QByteArray> received;

    Client()
    {
        QObject::connect(&socket, &QWebSocket::binaryMessageReceived, &socket,
            [this](const QByteArray& message) { received.append(message); });
    }

    bool open(quint16 port)
    {
        QSignalSpy connected(&socket, &QWebSocket::connected);
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port)));
        return connected.wait(5000);
    }
};
