#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <arpa/inet.h>
#include <cstring>
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

// A client socket from the given source address connected to the loopback address of its family, or -1: lighter than
// a QTcpSocket, for a crowd of connections. An IPv6 source need only be routed to this host (ip route add local), not
// assigned to an interface.
inline int connectRaw(quint16 port, const QHostAddress& source = QHostAddress::LocalHost)
{
    sockaddr_storage address {};
    socklen_t length = sizeof(sockaddr_in);
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    const bool isIpv6 = source.protocol() == QAbstractSocket::IPv6Protocol;
    const int descriptor = socket(isIpv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (isIpv6) {
        const int on = 1;
        setsockopt(descriptor, IPPROTO_IPV6, IPV6_FREEBIND, &on, sizeof on);
        ipv6.sin6_family = AF_INET6;
        const Q_IPV6ADDR bytes = source.toIPv6Address();
        std::memcpy(&ipv6.sin6_addr, &bytes, sizeof bytes);
        length = sizeof ipv6;
    } else {
        ipv4.sin_family = AF_INET;
        ipv4.sin_addr.s_addr = htonl(source.toIPv4Address());
    }
    bind(descriptor, reinterpret_cast<const sockaddr*>(&address), length);
    if (isIpv6) {
        ipv6.sin6_port = htons(port);
        ipv6.sin6_addr = in6addr_loopback;
    } else {
        ipv4.sin_port = htons(port);
        ipv4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    if (descriptor >= 0 && connect(descriptor, reinterpret_cast<const sockaddr*>(&address), length) == 0)
        return descriptor;
    ::close(descriptor);
    return -1;
}
