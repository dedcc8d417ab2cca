#include "PublishingThread.h"

#include "AvahiServicePublisher.h"

#include <QCoreApplication>

PublishingThread::PublishingThread(QString name, QByteArray dnsSdType, quint16 port)
    : m_name(std::move(name))
    , m_type(std::move(dnsSdType))
    , m_port(port)
{
    setObjectName(QStringLiteral("dns-sd"));
}

PublishingThread::~PublishingThread()
{
    quit();
    wait();
}

void PublishingThread::run()
{
    {
        AvahiServicePublisher publisher(m_name, m_type, m_port);
        connect(&publisher, &AvahiServicePublisher::unavailable, this, &PublishingThread::unavailable,
            Qt::DirectConnection);
        connect(
            &publisher, &AvahiServicePublisher::published, this, &PublishingThread::published, Qt::DirectConnection);
        publisher.start();
        exec();
    }
    // The watches and timeouts Avahi freed along with its client are deleted by this thread's event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
