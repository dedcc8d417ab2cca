#include "platform/linux/ChosenKeys.h"

#include "platform/linux/KeysLogging.h"
#include "platform/linux/LibevdevDeviceWriter.h"
#include "platform/linux/RemoteDesktopPortal.h"
#include "platform/linux/UinputKeyboard.h"
#include "platform/linux/WaylandVirtualKeyboard.h"
#include "platform/linux/XTestKeys.h"

#include <QDBusConnection>
#include <QFile>
#include <QSettings>
#include <unistd.h>

namespace {

std::unique_ptr<RemoteInput> waylandBackend(
    const ChosenKeys::WaylandChoice& choice, std::unique_ptr<WaylandVirtualKeyboard> keyboard, uint portalVersion = 0)
{
    qCInfo(lcKeys).noquote() << "Keys through" << choice.reason;
    switch (choice.backend) {
    case ChosenKeys::WaylandBackend::virtualKeyboard:
        return keyboard;
    case ChosenKeys::WaylandBackend::remoteDesktopPortal:
        // QSettings keeps the restore token beside the port, under the application's names.
        return std::make_unique<RemoteDesktopPortal>(
            QDBusConnection::sessionBus(), std::make_unique<QSettings>(), portalVersion);
    case ChosenKeys::WaylandBackend::uinput:
        break;
    }
    return std::make_unique<UinputKeyboard>(std::make_unique<LibevdevDeviceWriter>(), UinputKeyboard::defaultSettleTime,
        UinputKeyboard::uinputPath, UinputKeyboard::pkexecPath, QStringList { UinputKeyboard::grantHelperPath() });
}

} // namespace

ChosenKeys::Session ChosenKeys::sessionFor(QStringView xdgSessionType, QStringView waylandDisplay, QStringView display)
{
    if (xdgSessionType.compare(u"wayland", Qt::CaseInsensitive) == 0)
        return Session::Wayland;
    if (xdgSessionType.compare(u"x11", Qt::CaseInsensitive) == 0)
        return Session::X11;
    // "tty", "unspecified" or unset (ssh, scripts): judge by the display sockets the session hands its clients.
    if (!waylandDisplay.isEmpty())
        return Session::Wayland;
    if (!display.isEmpty())
        return Session::X11;
    // No display server at all: only the kernel's input stream is left.
    return Session::Wayland;
}

ChosenKeys::WaylandChoice ChosenKeys::waylandBackendFor(const WaylandOffers& offers)
{
    if (offers.uinputWritable)
        return { WaylandBackend::uinput, QStringLiteral("uinput: /dev/uinput is already writable") };
    if (offers.virtualKeyboard)
        return { WaylandBackend::virtualKeyboard,
            QStringLiteral("virtual keyboard: the compositor offers zwp_virtual_keyboard_v1") };
    if (offers.portalKeyboard)
        return { WaylandBackend::remoteDesktopPortal,
            QStringLiteral("RemoteDesktop portal: it offers keyboard devices") };
    return { WaylandBackend::uinput,
        QStringLiteral("uinput with the administrator's grant: no virtual keyboard protocol, no RemoteDesktop portal "
                       "keyboard") };
}

ChosenKeys::Session ChosenKeys::currentSession()
{
    return sessionFor(qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("WAYLAND_DISPLAY"),
        qEnvironmentVariable("DISPLAY"));
}

std::unique_ptr<ChosenKeys> ChosenKeys::forThisSession()
{
    auto keys = std::make_unique<ChosenKeys>();
    if (currentSession() == Session::X11) {
        keys->choose(std::make_unique<XTestKeys>());
        return keys;
    }
    WaylandOffers offers;
    offers.uinputWritable = ::access(QFile::encodeName(UinputKeyboard::uinputPath).constData(), R_OK | W_OK) == 0;
    std::unique_ptr<WaylandVirtualKeyboard> keyboard;
    if (!offers.uinputWritable) {
        keyboard = WaylandVirtualKeyboard::connect(WaylandVirtualKeyboard::defaultSettleTime);
        offers.virtualKeyboard = keyboard != nullptr;
    }
    if (offers.uinputWritable || offers.virtualKeyboard) {
        keys->choose(waylandBackend(waylandBackendFor(offers), std::move(keyboard)));
        return keys;
    }
    RemoteDesktopPortal::probeKeyboard(QDBusConnection::sessionBus(), keys.get(),
        [chosen = keys.get(), offers](RemoteDesktopPortal::Offer portal) mutable {
            offers.portalKeyboard = portal.keyboard;
            chosen->choose(waylandBackend(waylandBackendFor(offers), nullptr, portal.version));
        });
    return keys;
}

void ChosenKeys::choose(std::unique_ptr<RemoteInput> backend)
{
    m_backend = std::move(backend);
    connect(m_backend.get(), &RemoteInput::accessChanged, this, &RemoteInput::accessChanged);
    if (m_isAccessWanted)
        m_backend->requestAccess();
    Q_EMIT accessChanged();
}

bool ChosenKeys::pressKey(Key key) { return m_backend && m_backend->pressKey(key); }

bool ChosenKeys::hasAccess() { return m_backend && m_backend->hasAccess(); }

void ChosenKeys::requestAccess()
{
    if (m_backend)
        m_backend->requestAccess();
    else
        m_isAccessWanted = true;
}

// Until the choice, the backends that ask nobody are already ruled out, and the password grant is the one every
// Wayland session has.
AccessRequest ChosenKeys::accessRequest() const
{
    return m_backend ? m_backend->accessRequest() : AccessRequest::adminPassword;
}

// The probe answers within moments, and access asked for meanwhile is then asked of the chosen backend.
bool ChosenKeys::isAskingForAccess() const { return !m_backend || m_backend->isAskingForAccess(); }
