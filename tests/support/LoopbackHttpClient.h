#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A real TCP client on the test's event loop: sends what it is given and keeps everything the server writes until
// the server closes the connection.
class LoopbackHttpClient {
public:
    // From the given loopback address, so that a test can play hosts of their own.
    explicit LoopbackHttpClient(quint16 port, const QHostAddress& source = QHostAddress::LocalHost)
    {
        m_socket.bind(source);
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { m_received += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] { m_isClosed = true; });
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, [this] {
            m_received += m_socket.readAll();
            m_isClosed = true;
        });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_isConnected = m_socket.waitForConnected(5000);
    }

    bool isConnected() const { return m_isConnected; }

    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.waitForBytesWritten(5000);
    }

    // Ends the client's side (a half close): the server sees the end of input and can still answer.
    void endInput() { ::shutdown(int(m_socket.socketDescriptor()), SHUT_WR); }

    // Waits on the event loop, so that the server's hop to this (main) thread can run meanwhile.
    bool waitUntilClosed(int milliseconds = 5000)
    {
        return QTest::qWaitFor([this] { return m_isClosed; }, milliseconds);
    }

    bool isClosed() const { return m_isClosed; }
    QByteArray received() const { return m_received; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
    bool m_isConnected = false;
    bool m_isClosed = false;
};

// A text/plain answer as the server frames it.
inline QByteArray plainAnswer(const QByteArray& status, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\n" + body;
}

// A client socket from the given loopback address connected to 127.0.0.1:port, or -1: lighter than a QTcpSocket, for
// a crowd of connections.
inline int connectRaw(quint16 port, quint32 source = INADDR_LOOPBACK)
{
    const int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(source);
    bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (descriptor >= 0 && connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return descriptor;
    ::close(descriptor);
    return -1;
}
