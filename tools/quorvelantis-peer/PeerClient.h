#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QWebSocket>

// One WebSocket session with the desktop: sends the given messages (or each line of standard input until it ends),
// prints every message the desktop sends as one line, and finishes when the session closes.
class PeerClient : public QObject {
    Q_OBJECT

public:
    PeerClient(QStringList messages, bool binary);
    void open(const QString& host, quint16 port);

Q_SIGNALS:
    void finished(int exitCode);

private:
    void send(const QString& message);
    void readInput();

    QWebSocket m_socket;
    const QStringList m_messages;
    const bool m_binary;
    QSocketNotifier m_input;
    QByteArray m_partialLine;
};
