#pragma once

#include "platform/KeyInjector.h"
#include "platform/linux/HeldPresses.h"

#include <chrono>
#include <memory>

// The kernel side of the virtual keyboard: what the tests replace to watch the keys without a /dev/uinput.
class KeyDeviceWriter {
public:
    virtual ~KeyDeviceWriter() = default;
    // Creates the virtual keyboard; false when the kernel refuses it.
    virtual bool create() = 0;
    // One key transition (an evdev KEY_* code) followed by its report.
    virtual void writeKey(int evdevKeyCode, bool isDown) = 0;
};

// Posts arrow keys through a uinput virtual keyboard, the one way under Wayland to reach the focused window of another
// client. The device is created once and kept. The compositor only sees a new device after udev and libinput have
// taken it in, so presses posted before then are held and written, in order, once it has settled.
class UinputKeyboard : public KeyInjector {
public:
    // About how long a compositor takes to open a new input device.
    static constexpr std::chrono::milliseconds defaultSettleTime { 1000 };

    UinputKeyboard(std::unique_ptr<KeyDeviceWriter> writer, std::chrono::milliseconds settleTime);

    // Creates the device when it does not exist yet; true when it exists.
    bool prepareDevice();

    bool pressArrow(Arrow arrow) override;

private:
    void write(Arrow arrow);

    std::unique_ptr<KeyDeviceWriter> m_writer;
    std::chrono::milliseconds m_settleTime;
    bool m_deviceCreated = false;
    HeldPresses m_presses;
};
