#pragma once

#include "QtAvahiPoll.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <optional>

// Keeps one DNS-SD service published through avahi-daemon for as long as it lives, on the thread that owns it.
// A name taken by another service is replaced by Avahi's alternative name; a daemon that restarts, or that
// only appears later, gets the service again. Each change between published and unavailable is signalled once.
// libavahi-client's D-Bus calls block for up to 25 s when the daemon hangs: give it a thread of its own.
class AvahiServicePublisher : public QObject {
    Q_OBJECT

public:
    // type is the DNS-SD type, e.g. "_quorvelantis._tcp"; the service has no TXT data.
    AvahiServicePublisher(const QString& name, QByteArray type, quint16 port);
    ~AvahiServicePublisher() override;

    void start();

Q_SIGNALS:
    void unavailable();
    void published();

private:
    static void clientChanged(AvahiClient* client, AvahiClientState state, void* self);
    static void groupChanged(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self);
    void connectToDaemon();
    void publish(AvahiClient* client);
    void takeAlternativeName();
    void dropGroup();
    void startAgainLater();
    void report(bool isPublished);

    QtAvahiPoll m_poll;
    QByteArray m_name;
    const QByteArray m_type;
    const quint16 m_port;
    std::optional<bool> m_reportedPublished;
    AvahiClient* m_client = nullptr;
    AvahiEntryGroup* m_group = nullptr;
    // Without a system bus the client cannot even wait for the daemon: a new client is tried on this timer.
    QTimer m_retry;
};
