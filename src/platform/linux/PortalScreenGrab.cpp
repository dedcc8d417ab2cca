#include "PortalScreenGrab.h"

#include "PortalRequest.h"

#include <QFile>
#include <QTimer>
#include <QUrl>

using namespace std::chrono_literals;

PortalScreenGrab::PortalScreenGrab(const QDBusConnection& bus)
    : m_bus(bus)
{
}

void PortalScreenGrab::grab()
{
    // A portal that never answers must not hold back every later picture: past the deadline this picture is given
    // up, and only its file is removed should the answer still come.
    auto* deadline = new QTimer(this);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this,
        [this] { Q_EMIT failed(QStringLiteral("the Screenshot portal did not answer within 5 s")); });
    deadline->start(5s);
    // Not interactive: no dialog to choose an area, the whole screen at once.
    PortalRequest::send(m_bus, PortalRequest::screenshotInterface, QStringLiteral("Screenshot"), { QString() },
        { { QStringLiteral("interactive"), false } }, deadline,
        [this, deadline](uint response, const QVariantMap& results) {
            const bool isGivenUp = !deadline->isActive();
            deadline->deleteLater();
            read(response, results, isGivenUp);
        });
}

void PortalScreenGrab::read(uint response, const QVariantMap& results, bool isGivenUp)
{
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    const QString path = response == 0 && uri.isLocalFile() ? uri.toLocalFile() : QString();
    const QImage screen = path.isEmpty() || isGivenUp ? QImage() : QImage(path);
    const bool isRemoved = path.isEmpty() || QFile::remove(path);
    if (isGivenUp)
        return;
    if (response != 0)
        Q_EMIT failed(QStringLiteral("the Screenshot portal answered %1").arg(response));
    else if (path.isEmpty())
        Q_EMIT failed(QStringLiteral("the Screenshot portal's picture is not a local file: ") + uri.toString());
    else if (!isRemoved)
        Q_EMIT failed(QStringLiteral("cannot delete the Screenshot portal's picture ") + path);
    else if (screen.isNull())
        Q_EMIT failed(QStringLiteral("cannot read the Screenshot portal's picture ") + path);
    else
        Q_EMIT grabbed(screen);
}
