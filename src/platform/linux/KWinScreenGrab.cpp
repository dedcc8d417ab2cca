#include "KWinScreenGrab.h"

#include "KeysLogging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int grabTimeout = 1000;

QString systemError() { return QString::fromLocal8Bit(strerror(errno)); }

// Fills pixels from the pipe KWin writes to; empty when done, else why not.
QString readPixels(int pipe, uchar* pixels, qsizetype size, QDeadlineTimer deadline)
{
    qsizetype done = 0;
    while (done < size) {
        pollfd readable { pipe, POLLIN, 0 };
        const int ready = poll(&readable, 1, int(deadline.remainingTime()));
        if (ready == 0)
            return QStringLiteral("KWin did not send the screen's pixels in time");
        const ssize_t count = ready < 0 ? -1 : read(pipe, pixels + done, size_t(size - done));
        if (count == 0)
            return QStringLiteral("KWin sent %1 of the screen's %2 bytes").arg(done).arg(size);
        if (count < 0 && errno != EINTR)
            return QStringLiteral("cannot read the screen's pixels from KWin: ") + systemError();
        done += std::max<ssize_t>(count, 0);
    }
    return {};
}

} // namespace

KWinScreenGrab::KWinScreenGrab(const QDBusConnection& bus)
    : m_bus(bus)
{
}

void KWinScreenGrab::grab()
{
    if (m_portal)
        return m_portal->grab();
    const QDeadlineTimer deadline(grabTimeout);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return Q_EMIT failed(QStringLiteral("no pipe for KWin's screenshot: ") + systemError());
    // Room for a good part of the screen at each write: fewer turns between KWin's writer and this read. Where the
    // system allows less, the pipe stays as it is, only slower.
    fcntl(ends[0], F_SETPIPE_SZ, 1 << 20);
    QDBusMessage reply;
    {
        // The message holds a copy of the write end: gone with it, before the read, so that KWin's close ends it.
        QDBusMessage capture = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin.ScreenShot2"),
            QStringLiteral("/org/kde/KWin/ScreenShot2"), QStringLiteral("org.kde.KWin.ScreenShot2"),
            QStringLiteral("CaptureActiveScreen"));
        capture << QVariantMap() << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
        close(ends[1]);
        reply = m_bus.call(capture, QDBus::Block, grabTimeout);
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        close(ends[0]);
        const QDBusError error(reply);
        if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout)
            return Q_EMIT failed(QStringLiteral("KWin did not answer for the screen in time"));
        fallBack(error.message());
        return m_portal->grab();
    }
    // The pixels of a QImage in KWin, as its bits lie in memory.
    const QVariantMap results = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    const uint format = results.value(QStringLiteral("format")).toUInt();
    QImage screen;
    if (format > QImage::Format_Invalid && format < QImage::NImageFormats) {
        // A screen is opaque: read as RGB32, the same bytes, it scales several times faster than with its alpha.
        const bool hasAlpha = format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied;
        screen = QImage(results.value(QStringLiteral("width")).toInt(), results.value(QStringLiteral("height")).toInt(),
            hasAlpha ? QImage::Format_RGB32 : QImage::Format(format));
    }
    QString reason;
    if (results.value(QStringLiteral("type")).toString() != u"raw" || screen.isNull()
        || screen.bytesPerLine() != results.value(QStringLiteral("stride")).toLongLong())
        reason = QStringLiteral("KWin sent the screen in a form not read here");
    else
        reason = readPixels(ends[0], screen.bits(), screen.sizeInBytes(), deadline);
    close(ends[0]);
    if (reason.isEmpty())
        Q_EMIT grabbed(screen);
    else
        Q_EMIT failed(reason);
}

void KWinScreenGrab::fallBack(const QString& reason)
{
    qCWarning(lcKeys).noquote() << "KWin takes no screenshot for this app, so the Screenshot portal gives the screen's"
                                << "pictures:" << reason;
    m_portal = std::make_unique<PortalScreenGrab>(m_bus);
    connect(m_portal.get(), &ScreenGrab::grabbed, this, &ScreenGrab::grabbed);
    connect(m_portal.get(), &ScreenGrab::failed, this, &ScreenGrab::failed);
}
