#include "PeerClient.h"

#include <QTextStream>
#include <unistd.h>

PeerClient::PeerClient(QStringList messages, bool binary)
    : m_messages(std::move(messages))
    , m_binary(binary)
    , m_input(STDIN_FILENO, QSocketNotifier::Read)
{
    m_input.setEnabled(false);
    connect(&m_input, &QSocketNotifier::activated, this, &PeerClient::readInput);
    connect(&m_socket, &QWebSocket::connected, this, [this] {
        QTextStream(stderr) << "connected\n";
        if (m_messages.isEmpty()) {
            m_input.setEnabled(true);
            return;
        }
        for (const QString& message : m_messages)
            send(message);
        m_socket.close();
    });
    const auto print = [](const QByteArray& message) {
        QTextStream out(stdout);
        out << QString::fromUtf8(message) << '\n';
    };
    connect(&m_socket, &QWebSocket::textMessageReceived, this,
        [print](const QString& message) { print(message.toUtf8()); });
    connect(&m_socket, &QWebSocket::binaryMessageReceived, this, print);
    connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, [this] {
        QTextStream(stderr) << "session failed: " << m_socket.errorString() << '\n';
        Q_EMIT finished(1);
    });
    connect(&m_socket, &QWebSocket::disconnected, this, [this] {
        if (m_socket.closeCode() != QWebSocketProtocol::CloseCodeNormal) {
            QTextStream(stderr) << "session closed by the desktop: " << m_socket.closeReason() << '\n';
            Q_EMIT finished(1);
            return;
        }
        Q_EMIT finished(0);
    });
}

void PeerClient::open(const QString& host, quint16 port)
{
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(host);
    url.setPort(port);
    url.setPath(QStringLiteral("/"));
    m_socket.open(url);
}

void PeerClient::send(const QString& message)
{
    if (m_binary)
        m_socket.sendBinaryMessage(message.toUtf8());
    else
        m_socket.sendTextMessage(message);
}

void PeerClient::readInput()
{
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count > 0) {
        m_partialLine.append(buffer, count);
        qsizetype end;
        while ((end = m_partialLine.indexOf('\n')) >= 0) {
            const QByteArray line = m_partialLine.left(end).trimmed();
            m_partialLine.remove(0, end + 1);
            if (!line.isEmpty())
                send(QString::fromUtf8(line));
        }
        return;
    }
    // End of input: a last line without a line break still goes out, then the session closes.
    m_input.setEnabled(false);
    if (!m_partialLine.trimmed().isEmpty())
        send(QString::fromUtf8(m_partialLine.trimmed()));
    m_socket.close();
}
