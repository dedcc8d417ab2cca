#include "platform/linux/LibevdevDeviceWriter.h"

#include "platform/linux/KeysLogging.h"

#include <cstring>

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <memory>
#include <utility>

LibevdevDeviceWriter::~LibevdevDeviceWriter()
{
    if (m_device)
        libevdev_uinput_destroy(m_device);
}

bool LibevdevDeviceWriter::create()
{
    if (m_device)
        return true;
    const std::unique_ptr<libevdev, decltype(&libevdev_free)> description(libevdev_new(), &libevdev_free);
    if (!description)
        return false;
    const QByteArray name = deviceName.toUtf8();
    libevdev_set_name(description.get(), name.constData());
    libevdev_set_id_bustype(description.get(), BUS_VIRTUAL);
    libevdev_enable_event_type(description.get(), EV_KEY);
    // udev tags a device as a keyboard only when it has the whole main block of keys; a device with two arrow keys
    // would be ignored by the compositor's keyboard handling.
    for (unsigned int code = KEY_ESC; code <= KEY_MICMUTE; ++code)
        libevdev_enable_event_code(description.get(), EV_KEY, code, nullptr);
    libevdev_uinput* device = nullptr;
    if (const int result = libevdev_uinput_create_from_device(description.get(), LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
        result != 0) {
        // Asked again at each press and access check: each new reason is said once.
        if (std::exchange(m_lastError, -result) != -result)
            qCWarning(lcKeys, "Cannot create the uinput keyboard: %s", strerror(-result));
        return false;
    }
    m_device = device;
    return true;
}

void LibevdevDeviceWriter::writeKey(int evdevKeyCode, bool isDown)
{
    if (!m_device)
        return;
    libevdev_uinput_write_event(m_device, EV_KEY, static_cast<unsigned int>(evdevKeyCode), isDown ? 1 : 0);
    libevdev_uinput_write_event(m_device, EV_SYN, SYN_REPORT, 0);
}

QString LibevdevDeviceWriter::deviceNode() const
{
    const char* node = m_device ? libevdev_uinput_get_devnode(m_device) : nullptr;
    return node ? QString::fromUtf8(node) : QString();
}
