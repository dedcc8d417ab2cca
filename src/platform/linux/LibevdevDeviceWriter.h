#pragma once

#include "platform/linux/UinputKeyboard.h"

#include <QString>

struct libevdev_uinput;

// The real virtual keyboard, created through libevdev on /dev/uinput and destroyed with this object.
class LibevdevDeviceWriter : public KeyDeviceWriter {
public:
    static inline const QString deviceName = QStringLiteral("Quorvelantis Remote keyboard");

    LibevdevDeviceWriter() = default;
    ~LibevdevDeviceWriter() override;
    LibevdevDeviceWriter(const LibevdevDeviceWriter&) = delete;
    LibevdevDeviceWriter& operator=(const LibevdevDeviceWriter&) = delete;

    bool create() override;
    void writeKey(int evdevKeyCode, bool isDown) override;

    // The /dev/input/event* node the kernel gave the device; empty before create() or where sysfs is hidden.
    QString deviceNode() const;

private:
    libevdev_uinput* m_device = nullptr;
    int m_lastError = 0;
};
