#include "platform/linux/RemoteDesktopPortal.h"

#include "platform/linux/EvdevKeyCode.h"
#include "platform/linux/KeysLogging.h"
#include "platform/linux/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTimer>

namespace {

const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint keyboardDevice = 1;
// How long the consent dialog may hold the keyboard focus after it answered: GNOME gives the focus back to the
// presentation only once the dialog has closed, and a key posted before then goes to the closing dialog.
constexpr auto focusReturnTime = std::chrono::milliseconds(500);
constexpr uint persistUntilRevoked = 2;
constexpr uint refusedByUser = 1;

QVariant pathArgument(const QString& path) { return QVariant::fromValue(QDBusObjectPath(path)); }

} // namespace

RemoteDesktopPortal::RemoteDesktopPortal(const QDBusConnection& bus, std::unique_ptr<QSettings> settings, uint version)
    : m_bus(bus)
    , m_settings(std::move(settings))
    , m_version(version)
    , m_portalWatcher(PortalRequest::service, bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    // A portal that quits or restarts takes its sessions and pending dialogs with it.
    // (A first owner is only the portal being started for our call.)
    connect(&m_portalWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString&, const QString& oldOwner) {
            if (oldOwner.isEmpty())
                return;
            qDeleteAll(findChildren<PortalRequest*>(Qt::FindDirectChildrenOnly));
            forgetSession();
        });
    if (persists() && m_settings->contains(restoreTokenKey))
        requestAccess();
}

void RemoteDesktopPortal::probeKeyboard(
    const QDBusConnection& bus, QObject* context, std::function<void(Offer)> onAnswer)
{
    if (!bus.isConnected())
        return onAnswer({});
    QDBusMessage getAll = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    getAll << PortalRequest::remoteDesktopInterface;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(getAll), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, onAnswer] {
        const QDBusPendingReply<QVariantMap> reply = *watcher;
        watcher->deleteLater();
        // No portal at all is usual outside a Wayland desktop.
        if (reply.isError()) {
            qCDebug(lcKeys).noquote() << "No RemoteDesktop portal:" << reply.error().name() << reply.error().message();
            return onAnswer({});
        }
        const QVariantMap properties = reply.value();
        const uint version = properties.value(QStringLiteral("version")).toUInt();
        qCInfo(lcKeys, "RemoteDesktop portal version %u", version);
        onAnswer(
            { (properties.value(QStringLiteral("AvailableDeviceTypes")).toUInt() & keyboardDevice) != 0, version });
    });
}

void RemoteDesktopPortal::requestAccess()
{
    if (m_state != State::idle)
        return;
    m_state = State::starting;
    m_sentToken.clear();
    const QVariantMap options { { QStringLiteral("session_handle_token"), PortalRequest::newToken() } };
    PortalRequest::send(m_bus, PortalRequest::remoteDesktopInterface, QStringLiteral("CreateSession"), {}, options,
        this, [this](uint response, const QVariantMap& results) {
            if (response != 0)
                return fail(response);
            m_sessionHandle = results.value(QStringLiteral("session_handle")).toString();
            selectDevices();
        });
}

void RemoteDesktopPortal::selectDevices()
{
    QVariantMap options { { QStringLiteral("types"), keyboardDevice } };
    if (persists()) {
        options.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
        m_sentToken = m_settings->value(restoreTokenKey).toString();
        if (!m_sentToken.isEmpty())
            options.insert(QStringLiteral("restore_token"), m_sentToken);
    }
    PortalRequest::send(m_bus, PortalRequest::remoteDesktopInterface, QStringLiteral("SelectDevices"),
        { pathArgument(m_sessionHandle) }, options, this,
        [this](uint response, const QVariantMap&) { response == 0 ? startSession() : fail(response); });
}

void RemoteDesktopPortal::startSession()
{
    // No parent window: the app's own window may be hidden, and the dialog belongs to the desktop anyway.
    PortalRequest::send(m_bus, PortalRequest::remoteDesktopInterface, QStringLiteral("Start"),
        { pathArgument(m_sessionHandle), QString() }, {}, this,
        [this](uint response, const QVariantMap& results) { response == 0 ? keepSession(results) : fail(response); });
}

void RemoteDesktopPortal::keepSession(const QVariantMap& results)
{
    // The dialog lets the user untick the keyboard: a session without one would take keys and post nothing.
    if ((results.value(QStringLiteral("devices")).toUInt() & keyboardDevice) == 0) {
        qCWarning(lcKeys, "The RemoteDesktop portal's session has no keyboard");
        return fail(refusedByUser);
    }
    // Each start hands out a new token (the old one is spent); a portal without persistence hands out none.
    const QString token = results.value(QStringLiteral("restore_token")).toString();
    if (token.isEmpty())
        m_settings->remove(restoreTokenKey);
    else
        m_settings->setValue(restoreTokenKey, token);
    m_bus.connect(PortalRequest::service, m_sessionHandle, sessionInterface, QStringLiteral("Closed"), this,
        SLOT(onSessionClosed()));
    // Taps that arrive meanwhile are still asking for access, so they wait and go out in order afterwards.
    QTimer::singleShot(focusReturnTime, this, [this, session = m_sessionHandle] {
        if (m_state != State::starting || session != m_sessionHandle)
            return;
        m_state = State::started;
        Q_EMIT accessChanged();
    });
}

void RemoteDesktopPortal::fail(uint response)
{
    // 1: the user said no; 2: anything else.
    qCWarning(lcKeys, "The RemoteDesktop portal gave no keyboard access (response %u)", response);
    if (!m_sessionHandle.isEmpty())
        m_bus.send(QDBusMessage::createMethodCall(
            PortalRequest::service, m_sessionHandle, sessionInterface, QStringLiteral("Close")));
    forgetSession();
    if (m_sentToken.isEmpty())
        return;
    // The portal would not restore the kept consent: forget the token and ask the user, unless they just said no.
    m_settings->remove(restoreTokenKey);
    if (response != refusedByUser)
        requestAccess();
}

void RemoteDesktopPortal::onSessionClosed() { forgetSession(); }

void RemoteDesktopPortal::forgetSession()
{
    const bool wasStarted = m_state == State::started;
    if (!m_sessionHandle.isEmpty())
        m_bus.disconnect(PortalRequest::service, m_sessionHandle, sessionInterface, QStringLiteral("Closed"), this,
            SLOT(onSessionClosed()));
    m_sessionHandle.clear();
    m_state = State::idle;
    // Taps not yet pressed go with their session; the one in flight still gets its release.
    if (!m_taps.empty())
        m_taps.erase(m_taps.begin() + 1, m_taps.end());
    if (wasStarted)
        Q_EMIT accessChanged();
}

bool RemoteDesktopPortal::pressKey(Key key)
{
    if (m_state != State::started)
        return false;
    m_taps.push_back({ m_sessionHandle, evdevKeyCodeFor(key) });
    if (m_taps.size() == 1)
        notifyKey(true);
    return true;
}

void RemoteDesktopPortal::notifyKey(bool isDown)
{
    const Tap& tap = m_taps.front();
    QDBusMessage notify = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::objectPath,
        PortalRequest::remoteDesktopInterface, QStringLiteral("NotifyKeyboardKeycode"));
    notify << pathArgument(tap.session) << QVariantMap() << tap.evdevKeyCode << uint(isDown ? 1 : 0);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, isDown] {
        watcher->deleteLater();
        // A session the portal no longer knows is over, even when its Closed signal was missed.
        if (watcher->isError() && m_taps.front().session == m_sessionHandle) {
            qCWarning(lcKeys).noquote() << "The RemoteDesktop portal took no key:" << watcher->error().name()
                                        << watcher->error().message();
            forgetSession();
        }
        // The release follows its press whatever the answer, even once the session is over: a press that timed out
        // may still have reached the desktop, and a stray release costs nothing where a held key runs the slides.
        if (isDown)
            return notifyKey(false);
        m_taps.pop_front();
        if (!m_taps.empty())
            notifyKey(true);
    });
}
