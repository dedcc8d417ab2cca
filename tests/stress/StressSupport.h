#pragma once

// Plain blocking loopback sockets for client threads that run beside the test's event loop, and the count of
// the process's open descriptors.

#include <QByteArray>
#include <QDir>
#include <QTcpServer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

inline qsizetype openDescriptorCount() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size(); }

// Connected to 127.0.0.1:port, or -1. Reads give up after timeoutSeconds.
inline int connectLoopback(quint16 port, int timeoutSeconds = 30)
{
    const int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return -1;
    const timeval timeout { timeoutSeconds, 0 };
    setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// Everything the server writes until it closes; empty with ok false on a reset or a timeout.
inline QByteArray readUntilClosed(int descriptor, bool& ok)
{
    QByteArray received;
    char buffer[4096];
    for (;;) {
        const ssize_t length = recv(descriptor, buffer, sizeof buffer, 0);
        if (length <= 0) {
            ok = length == 0;
            return received;
        }
        received.append(buffer, length);
    }
}

// One request on a new connection, as the phone makes it. ok is false when no whole answer came.
inline QByteArray exchange(quint16 port, const QByteArray& request, bool& ok)
{
    ok = false;
    const int descriptor = connectLoopback(port);
    if (descriptor < 0)
        return {};
    QByteArray answer;
    if (send(descriptor, request.constData(), request.size(), MSG_NOSIGNAL) == request.size())
        answer = readUntilClosed(descriptor, ok);
    ::close(descriptor);
    return answer;
}

// Splits an answer into status and body when it is framed exactly as the server frames answers.
inline bool readAnswer(const QByteArray& answer, QByteArray& status, QByteArray& contentType, QByteArray& body)
{
    const qsizetype headEnd = answer.indexOf("\r\n\r\n");
    if (!answer.startsWith("HTTP/1.1 ") || headEnd < 0)
        return false;
    const QList<QByteArray> lines = answer.first(headEnd).split('\n');
    if (lines.size() != 4)
        return false;
    status = lines[0].sliced(9).chopped(1);
    contentType = lines[3].sliced(qMin<qsizetype>(14, lines[3].size()));
    body = answer.sliced(headEnd + 4);
    return lines[0].endsWith('\r') && lines[1] == "Content-Length: " + QByteArray::number(body.size()) + '\r'
        && lines[2] == "Connection: close\r" && lines[3].startsWith("Content-Type: ")
        && (contentType == "text/plain" || contentType == "application/json");
}
