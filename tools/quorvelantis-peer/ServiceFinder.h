#pragma once

#include "transport/peer/QtAvahiPoll.h"

#include <QObject>
#include <QTimer>
#include <avahi-client/lookup.h>

// Browses DNS-SD for one service type and reports the first service that resolves to an IPv4 address
// (or the first of the given instance name).
class ServiceFinder : public QObject {
    Q_OBJECT

public:
    ServiceFinder(QByteArray type, QString instanceName, int timeoutMs);
    ~ServiceFinder() override;
    void start();

Q_SIGNALS:
    void found(const QString& name, const QString& host, quint16 port);
    void failed(const QString& reason);

private:
    static void browsed(AvahiServiceBrowser*, AvahiIfIndex, AvahiProtocol, AvahiBrowserEvent, const char* name,
        const char* type, const char* domain, AvahiLookupResultFlags, void* self);
    static void resolved(AvahiServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent, const char* name,
        const char* type, const char* domain, const char* host, const AvahiAddress* address, uint16_t port,
        AvahiStringList*, AvahiLookupResultFlags, void* self);

    QtAvahiPoll m_poll;
    const QByteArray m_type;
    const QString m_instanceName;
    AvahiClient* m_client = nullptr;
    AvahiServiceBrowser* m_browser = nullptr;
    QTimer m_timeout;
    bool m_done = false;
};
