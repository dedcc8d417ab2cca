#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

// Keeps one DNS-SD service published from a thread of its own, for as long as it lives: a hung avahi-daemon
// blocks only this thread, never a server that answers a phone. Its signals are emitted on that thread.
class PublishingThread : public QThread {
    Q_OBJECT

public:
    PublishingThread(QString name, QByteArray dnsSdType, quint16 port);
    // Withdraws the service; waits for a D-Bus call in progress, as long as the daemon makes it last.
    ~PublishingThread() override;

Q_SIGNALS:
    void unavailable();
    void published();

private:
    void run() override;

    const QString m_name;
    const QByteArray m_type;
    const quint16 m_port;
};
