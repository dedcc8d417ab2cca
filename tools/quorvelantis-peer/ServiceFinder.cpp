#include "ServiceFinder.h"

#include <avahi-common/error.h>

ServiceFinder::ServiceFinder(QByteArray type, QString instanceName, int timeoutMs)
    : m_type(std::move(type))
    , m_instanceName(std::move(instanceName))
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        m_done = true;
        Q_EMIT failed(QStringLiteral("no %1 service found").arg(QString::fromUtf8(m_type)));
    });
}

ServiceFinder::~ServiceFinder()
{
    // Frees the browser and the resolvers along with the client.
    if (m_client)
        avahi_client_free(m_client);
}

void ServiceFinder::start()
{
    int error = 0;
    m_client = avahi_client_new(m_poll.poll(), AvahiClientFlags(0), nullptr, nullptr, &error);
    if (!m_client) {
        Q_EMIT failed(
            QStringLiteral("avahi-daemon is not reachable: %1").arg(QString::fromUtf8(avahi_strerror(error))));
        return;
    }
    m_browser = avahi_service_browser_new(m_client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, m_type.constData(), nullptr,
        AvahiLookupFlags(0), &ServiceFinder::browsed, this);
    if (!m_browser) {
        Q_EMIT failed(QString::fromUtf8(avahi_strerror(avahi_client_errno(m_client))));
        return;
    }
    m_timeout.start();
}

void ServiceFinder::browsed(AvahiServiceBrowser* browser, AvahiIfIndex interface, AvahiProtocol protocol,
    AvahiBrowserEvent event, const char* name, const char* type, const char* domain, AvahiLookupResultFlags, void* self)
{
    auto* finder = static_cast<ServiceFinder*>(self);
    if (event != AVAHI_BROWSER_NEW || finder->m_done)
        return;
    if (!finder->m_instanceName.isEmpty() && finder->m_instanceName != QString::fromUtf8(name))
        return;
    // Resolvers are freed with the client.
    avahi_service_resolver_new(avahi_service_browser_get_client(browser), interface, protocol, name, type, domain,
        AVAHI_PROTO_INET, AvahiLookupFlags(0), &ServiceFinder::resolved, self);
}

void ServiceFinder::resolved(AvahiServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
    const char* name, const char*, const char*, const char*, const AvahiAddress* address, uint16_t port,
    AvahiStringList*, AvahiLookupResultFlags, void* self)
{
    auto* finder = static_cast<ServiceFinder*>(self);
    if (event != AVAHI_RESOLVER_FOUND || finder->m_done)
        return;
    char text[AVAHI_ADDRESS_STR_MAX];
    avahi_address_snprint(text, sizeof text, address);
    finder->m_done = true;
    finder->m_timeout.stop();
    Q_EMIT finder->found(QString::fromUtf8(name), QString::fromUtf8(text), port);
}
