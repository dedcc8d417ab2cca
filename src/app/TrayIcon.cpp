#include "TrayIcon.h"

#include "WindowLoader.h"
#include "service/MacRemoteService.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QtEndian>

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");

// The sizes panels draw tray icons at, so the host scales none at common scales. Greyed while no phone is connected,
// as the header's idle icon.
QList<TrayPixmap> drawIcon(bool isConnected)
{
    const QIcon icon(QStringLiteral(":/org.quorvelantis.Remote.svg"));
    QList<TrayPixmap> pixmaps;
    for (int size : { 16, 22, 32, 48 }) {
        QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        auto* pixels = reinterpret_cast<QRgb*>(image.bits());
        const qsizetype count = qsizetype(image.width()) * image.height();
        for (qsizetype i = 0; i < count && !isConnected; ++i) {
            const int grey = qGray(pixels[i]);
            pixels[i] = qRgba(grey, grey, grey, qAlpha(pixels[i]) / 2);
        }
        TrayPixmap pixmap { image.width(), image.height(), QByteArray(count * 4, Qt::Uninitialized) };
        qToBigEndian<quint32>(pixels, count, pixmap.argb.data());
        pixmaps.append(pixmap);
    }
    return pixmaps;
}
} // namespace

TrayIcon::TrayIcon(const MacRemoteService& service, WindowLoader& window)
    : m_service(service)
    , m_window(window)
{
    m_menu.addEntry(tr("Afficher la fenêtre"), [this] { m_window.show(); });
    m_menu.addEntry(
        tr("Lancer à l'ouverture de session"), [this] { m_autostart.setEnabled(!m_autostart.isEnabled()); },
        [this] { return m_autostart.isEnabled(); });
    m_menu.addEntry(tr("Quitter"), &QCoreApplication::quit);
    connect(&service, &MacRemoteService::isConnectedChanged, this, [this] {
        Q_EMIT NewIcon();
        Q_EMIT NewToolTip();
    });

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    qDBusRegisterMetaType<TrayPixmap>();
    qDBusRegisterMetaType<QList<TrayPixmap>>();
    qDBusRegisterMetaType<TrayToolTip>();
    TrayMenu::registerTypes();
    bus.registerObject(itemPath, this, QDBusConnection::ExportScriptableContents);
    bus.registerObject(TrayMenu::objectPath, &m_menu, QDBusConnection::ExportScriptableContents);
    // A panel that starts, or restarts, after the app brings a new watcher that must learn of the icon.
    m_watcherPresence.setConnection(bus);
    m_watcherPresence.addWatchedService(watcherService);
    connect(&m_watcherPresence, &QDBusServiceWatcher::serviceRegistered, this, &TrayIcon::registerWithWatcher);
    connect(&m_watcherPresence, &QDBusServiceWatcher::serviceUnregistered, this, [this] { setHostPresent(false); });
    bus.connect(watcherService, watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
        SLOT(readHostPresence()));
    bus.connect(watcherService, watcherPath, watcherService, QStringLiteral("StatusNotifierHostUnregistered"), this,
        SLOT(readHostPresence()));
    registerWithWatcher();
}

QString TrayIcon::title() const { return QGuiApplication::applicationDisplayName(); }

QList<TrayPixmap> TrayIcon::iconPixmap()
{
    QList<TrayPixmap>& pixmaps = m_service.isConnected() ? m_connectedPixmaps : m_waitingPixmaps;
    if (pixmaps.isEmpty())
        pixmaps = drawIcon(m_service.isConnected());
    return pixmaps;
}

TrayToolTip TrayIcon::toolTip() const
{
    const QString state = m_service.isConnected() ? tr("iPhone connecté") : tr("En attente");
    return { {}, {}, tr("Quorvelantis Remote — %1").arg(state), {} };
}

void TrayIcon::Activate(int, int) { m_window.show(); }

void TrayIcon::registerWithWatcher()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, watcherPath, watcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call << bus.baseService();
    // Without a watcher the desktop has no tray: nothing to log, closing the window quits.
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pending) {
        pending->deleteLater();
        if (pending->isError())
            setHostPresent(false);
        else
            readHostPresence();
    });
}

void TrayIcon::readHostPresence()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcherService, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    get.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* pending) {
        pending->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *pending;
        // A watcher that cannot tell draws nothing for sure: closing the window quits rather than hide it unseen.
        setHostPresent(!reply.isError() && reply.value().variant().toBool());
    });
}

void TrayIcon::setHostPresent(bool present)
{
    // A closed window is only hidden, and the tray can show it again; quitting still closes it and ends the app.
    QGuiApplication::setQuitOnLastWindowClosed(!present);
}

QDBusArgument& operator<<(QDBusArgument& argument, const TrayPixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TrayPixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const TrayToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TrayToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}
