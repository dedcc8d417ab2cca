#include "platform/linux/LinuxKeys.h"

#include "platform/linux/GrantPrompt.h"
#include "platform/linux/KeySession.h"
#include "platform/linux/LibevdevDeviceWriter.h"
#include "platform/linux/PendingKeyChoice.h"
#include "platform/linux/RemoteDesktopPortal.h"
#include "platform/linux/UinputKeyboard.h"
#include "platform/linux/UinputPermission.h"
#include "platform/linux/WaylandKeyChoice.h"
#include "platform/linux/WaylandVirtualKeyboard.h"
#include "platform/linux/XTestKeys.h"

#include <QDBusConnection>
#include <QFile>
#include <QtDebug>
#include <unistd.h>

// In every pair below the permission is destroyed first (declaration order of LinuxKeys), so its reference to the
// injector never dangles.
namespace {

LinuxKeys uinputKeys()
{
    auto keyboard
        = std::make_unique<UinputKeyboard>(std::make_unique<LibevdevDeviceWriter>(), UinputKeyboard::defaultSettleTime);
    auto prompt = std::make_unique<GrantPrompt>(GrantPrompt::pkexecPath, QStringList { GrantPrompt::helperPath() });
    auto permission = std::make_unique<UinputPermission>(UinputPermission::uinputPath, *keyboard, std::move(prompt));
    return { std::move(keyboard), std::move(permission) };
}

LinuxKeys portalKeys()
{
    // QSettings keeps the restore token beside the port, under the application's names.
    auto portal = std::make_unique<RemoteDesktopPortal>(QDBusConnection::sessionBus(), std::make_unique<QSettings>());
    auto permission = std::make_unique<RemoteDesktopPermission>(*portal);
    return { std::move(portal), std::move(permission) };
}

LinuxKeys keysFor(const WaylandKeyChoice& choice, std::unique_ptr<WaylandVirtualKeyboard> keyboard)
{
    qInfo().noquote() << "Keys through" << choice.reason;
    switch (choice.backend) {
    case WaylandKeyBackend::virtualKeyboard: {
        auto permission = std::make_unique<WaylandVirtualKeyboardPermission>(*keyboard);
        return { std::move(keyboard), std::move(permission) };
    }
    case WaylandKeyBackend::remoteDesktopPortal:
        return portalKeys();
    case WaylandKeyBackend::uinput:
        break;
    }
    return uinputKeys();
}

LinuxKeys waylandKeys()
{
    WaylandKeyOffers offers;
    offers.uinputWritable = ::access(QFile::encodeName(UinputPermission::uinputPath).constData(), R_OK | W_OK) == 0;
    std::unique_ptr<WaylandVirtualKeyboard> keyboard;
    if (!offers.uinputWritable) {
        keyboard = WaylandVirtualKeyboard::connect(WaylandVirtualKeyboard::defaultSettleTime);
        offers.virtualKeyboard = keyboard != nullptr;
    }
    if (offers.uinputWritable || offers.virtualKeyboard)
        return keysFor(chooseWaylandKeys(offers), std::move(keyboard));

    auto choice = std::make_unique<PendingKeyChoice>();
    auto permission = std::make_unique<PendingKeyPermission>(*choice);
    RemoteDesktopPortal::probeKeyboard(QDBusConnection::sessionBus(), choice->probeContext(),
        [pending = choice.get(), offers](bool portalKeyboard) mutable {
            offers.portalKeyboard = portalKeyboard;
            pending->choose(keysFor(chooseWaylandKeys(offers), nullptr));
        });
    return { std::move(choice), std::move(permission) };
}

} // namespace

LinuxKeys createLinuxKeys()
{
    if (currentKeySession() == KeySession::X11) {
        auto display = std::make_shared<XTestDisplay>();
        return { std::make_unique<XTestKeyInjector>(display), std::make_unique<XTestPermission>(display) };
    }
    return waylandKeys();
}
