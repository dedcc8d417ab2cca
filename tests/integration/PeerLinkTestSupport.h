#pragma once

#include "platform/PeerLink.h"

#include <QDir>
#include <QList>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketHandshakeOptions>
#include <memory>
#include <utility>

// What a peer link reported, in order, as its receivers on the main thread saw it.
struct LinkEvents : QObject {
    QList<std::pair<PeerState, int>> states;
    QList<RemoteCommand> commands;
    QList<quint64> delivered;
    int advertisingFailures = 0;
    int advertisingSuccesses = 0;

    explicit LinkEvents(PeerLink& link)
    {
        connect(&link, &PeerLink::peerStateChanged, this, [this](PeerState s, int n) { states.append({ s, n }); });
        connect(&link, &PeerLink::commandReceived, this, [this](RemoteCommand c) { commands.append(c); });
        connect(&link, &PeerLink::delivered, this, [this](quint64 d) { delivered.append(d); });
        connect(&link, &PeerLink::advertisingFailed, this, [this] { ++advertisingFailures; });
        connect(&link, &PeerLink::advertisingSucceeded, this, [this] { ++advertisingSuccesses; });
    }
};

// A real WebSocket client on loopback that keeps what the desktop sends.
struct Client {
    QWebSocket socket;
    QList<QByteArray> received;

    Client()
    {
        QObject::connect(&socket, &QWebSocket::binaryMessageReceived, &socket,
            [this](const QByteArray& message) { received.append(message); });
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
            [this](const QString& message) { received.append(message.toUtf8()); });
    }

    // With a phone's key, as the page sends it: among the subprotocols.
    bool open(quint16 port, const QByteArray& key = {})
    {
        QSignalSpy connected(&socket, &QWebSocket::connected);
        QWebSocketHandshakeOptions options;
        if (!key.isEmpty())
            options.setSubprotocols({ QStringLiteral("quorvelantis"), QString::fromLatin1(key) });
        socket.open(QNetworkRequest(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port))), options);
        return connected.wait(5000);
    }
};

// The opening handshake written by hand, so that the peer may then fall silent or send frames of its own making.
inline std::unique_ptr<QTcpSocket> openRawPeer(quint16 port, const QByteArray& extraHeaders = {})
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    socket->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n" + extraHeaders
        + "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    QByteArray answer;
    const bool answered = QTest::qWaitFor(
        [&] {
            answer += socket->readAll();
            return answer.contains("\r\n\r\n");
        },
        5000);
    return answered && answer.startsWith("HTTP/1.1 101") ? std::move(socket) : nullptr;
}

// One frame as a client must send it: masked (with a zero key), payload under 126 bytes.
inline QByteArray clientFrame(char opcode, const QByteArray& payload)
{
    return QByteArray(1, char(0x80 | opcode)) + char(0x80 | payload.size()) + QByteArray(4, '\0') + payload;
}

inline qsizetype openDescriptorCount() { return QDir(QStringLiteral("/proc/self/fd")).count(); }
