#include "platform/linux/PortalRequest.h"

#include "platform/linux/KeysLogging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <atomic>
#include <utility>

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString responseSignal = QStringLiteral("Response");

} // namespace

QString PortalRequest::newToken()
{
    // Asked for on the main thread (keys) and on the picture thread (screenshots).
    static std::atomic<unsigned int> count = 0;
    return QStringLiteral("quorvelantis%1").arg(++count);
}

void PortalRequest::send(const QDBusConnection& bus, const QString& interface, const QString& method,
    const QVariantList& arguments, QVariantMap options, QObject* owner, Answer answer)
{
    // The portal's documented request path: our unique bus name without its ':' and with '_' for '.', then the token.
    const QString token = newToken();
    const QString sender = bus.baseService().mid(1).replace(u'.', u'_');
    const QString path = QStringLiteral("%1/request/%2/%3").arg(objectPath, sender, token);
    auto* request = new PortalRequest(bus, path, std::move(answer), owner);

    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface, method);
    call.setArguments(arguments + QVariantList { options });
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, request, [request, watcher, interface, method] {
        if (!watcher->isError())
            return;
        qCWarning(lcKeys).noquote() << "The portal's" << interface + u'.' + method
                                    << "failed:" << watcher->error().name() << watcher->error().message();
        request->onResponse(2, {});
    });
}

PortalRequest::PortalRequest(const QDBusConnection& bus, QString path, Answer answer, QObject* owner)
    : QObject(owner)
    , m_bus(bus)
    , m_path(std::move(path))
    , m_answer(std::move(answer))
{
    m_bus.connect(service, m_path, requestInterface, responseSignal, this, SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    if (!m_answer)
        return;
    m_bus.disconnect(service, m_path, requestInterface, responseSignal, this, SLOT(onResponse(uint, QVariantMap)));
    deleteLater();
    std::exchange(m_answer, nullptr)(response, results);
}
