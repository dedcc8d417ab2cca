#include "PortalScreenGrab.h"

#include "PortalRequest.h"

#include <QFile>
#include <QUrl>

PortalScreenGrab::PortalScreenGrab(const QDBusConnection& bus)
    : m_bus(bus)
{
}

void PortalScreenGrab::grab()
{
    // Not interactive: no dialog to choose an area, the whole screen at once.
    PortalRequest::send(m_bus, PortalRequest::screenshotInterface, QStringLiteral("Screenshot"), { QString() },
        { { QStringLiteral("interactive"), false } }, this,
        [this](uint response, const QVariantMap& results) { read(response, results); });
}

void PortalScreenGrab::read(uint response, const QVariantMap& results)
{
    if (response != 0) {
        Q_EMIT failed(QStringLiteral("the Screenshot portal answered %1").arg(response));
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile()) {
        Q_EMIT failed(QStringLiteral("the Screenshot portal's picture is not a local file: ") + uri.toString());
        return;
    }
    const QString path = uri.toLocalFile();
    const QImage screen(path);
    if (!QFile::remove(path))
        Q_EMIT failed(QStringLiteral("cannot delete the Screenshot portal's picture ") + path);
    else if (screen.isNull())
        Q_EMIT failed(QStringLiteral("cannot read the Screenshot portal's picture ") + path);
    else
        Q_EMIT grabbed(screen);
}
