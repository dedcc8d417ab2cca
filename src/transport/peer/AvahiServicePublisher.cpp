#include "AvahiServicePublisher.h"

#include "transport/TransportLogging.h"

#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>

namespace {
constexpr int retryIntervalMs = 2000;
}

AvahiServicePublisher::AvahiServicePublisher(const QString& name, QByteArray type, quint16 port)
    : m_name(name.toUtf8())
    , m_type(std::move(type))
    , m_port(port)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &AvahiServicePublisher::connectToDaemon);
}

void AvahiServicePublisher::start() { connectToDaemon(); }

AvahiServicePublisher::~AvahiServicePublisher()
{
    // Freeing the client frees its group and withdraws the service.
    if (m_client)
        avahi_client_free(m_client);
}

void AvahiServicePublisher::connectToDaemon()
{
    dropGroup();
    if (m_client)
        avahi_client_free(m_client);
    m_client = nullptr;
    int error = 0;
    // With AVAHI_CLIENT_NO_FAIL the client waits for a daemon that is not there yet and survives its restarts.
    AvahiClient* client
        = avahi_client_new(m_poll.poll(), AVAHI_CLIENT_NO_FAIL, &AvahiServicePublisher::clientChanged, this, &error);
    if (!client) {
        // Tried again every few seconds: said once, not at every try.
        if (m_reportedPublished != false)
            qCWarning(lcPeer, "Cannot reach avahi-daemon: %s", avahi_strerror(error));
        report(false);
        startAgainLater();
        return;
    }
    m_client = client;
}

void AvahiServicePublisher::clientChanged(AvahiClient* client, AvahiClientState state, void* self)
{
    auto* publisher = static_cast<AvahiServicePublisher*>(self);
    switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
        publisher->publish(client);
        break;
    case AVAHI_CLIENT_S_REGISTERING:
    case AVAHI_CLIENT_S_COLLISION:
        // The host name is being (re)registered: the service comes back once the client runs again.
        if (publisher->m_group)
            avahi_entry_group_reset(publisher->m_group);
        break;
    case AVAHI_CLIENT_CONNECTING:
        // The daemon is gone or not there yet; its groups went with it.
        qCWarning(lcPeer, "avahi-daemon is not running: %s is published once it is", publisher->m_type.constData());
        publisher->dropGroup();
        publisher->report(false);
        break;
    case AVAHI_CLIENT_FAILURE:
        qCWarning(lcPeer, "avahi-daemon connection failed: %s", avahi_strerror(avahi_client_errno(client)));
        publisher->dropGroup();
        publisher->report(false);
        publisher->startAgainLater();
        break;
    }
}

void AvahiServicePublisher::publish(AvahiClient* client)
{
    if (!m_group) {
        m_group = avahi_entry_group_new(client, &AvahiServicePublisher::groupChanged, this);
        if (!m_group) {
            qCWarning(lcPeer, "Cannot create an Avahi entry group: %s", avahi_strerror(avahi_client_errno(client)));
            report(false);
            startAgainLater();
            return;
        }
    }
    if (!avahi_entry_group_is_empty(m_group))
        return;
    int result = AVAHI_ERR_COLLISION;
    while (result == AVAHI_ERR_COLLISION) {
        result = avahi_entry_group_add_service(m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0),
            m_name.constData(), m_type.constData(), nullptr, nullptr, m_port, nullptr);
        // Another service on this host already has the name.
        if (result == AVAHI_ERR_COLLISION) {
            takeAlternativeName();
            avahi_entry_group_reset(m_group);
        }
    }
    if (result >= 0)
        result = avahi_entry_group_commit(m_group);
    if (result < 0) {
        qCWarning(
            lcPeer, "Cannot publish %s as \"%s\": %s", m_type.constData(), m_name.constData(), avahi_strerror(result));
        report(false);
        startAgainLater();
    }
}

void AvahiServicePublisher::groupChanged(AvahiEntryGroup* group, AvahiEntryGroupState state, void* self)
{
    auto* publisher = static_cast<AvahiServicePublisher*>(self);
    switch (state) {
    case AVAHI_ENTRY_GROUP_COLLISION:
        // Another host on the network has the name.
        publisher->takeAlternativeName();
        qCInfo(lcPeer, "Name taken on the network, publishing as \"%s\"", publisher->m_name.constData());
        avahi_entry_group_reset(group);
        publisher->publish(avahi_entry_group_get_client(group));
        break;
    case AVAHI_ENTRY_GROUP_FAILURE:
        qCWarning(lcPeer, "Publishing %s failed: %s", publisher->m_type.constData(),
            avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
        publisher->report(false);
        publisher->startAgainLater();
        break;
    case AVAHI_ENTRY_GROUP_ESTABLISHED:
        publisher->report(true);
        break;
    case AVAHI_ENTRY_GROUP_UNCOMMITED:
    case AVAHI_ENTRY_GROUP_REGISTERING:
        break;
    }
}

void AvahiServicePublisher::takeAlternativeName()
{
    char* alternative = avahi_alternative_service_name(m_name.constData());
    m_name = alternative;
    avahi_free(alternative);
}

void AvahiServicePublisher::dropGroup()
{
    if (m_group)
        avahi_entry_group_free(m_group);
    m_group = nullptr;
}

// A new client is made from the timer, outside of Avahi's callbacks, where the old one can be freed.
void AvahiServicePublisher::startAgainLater()
{
    if (!m_retry.isActive())
        m_retry.start();
}

void AvahiServicePublisher::report(bool isPublished)
{
    if (m_reportedPublished == isPublished)
        return;
    m_reportedPublished = isPublished;
    if (isPublished)
        Q_EMIT published();
    else
        Q_EMIT unavailable();
}
