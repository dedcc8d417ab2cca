#pragma once

#include "platform/RemoteInput.h"
#include "platform/linux/HeldPresses.h"

#include <QProcess>
#include <QString>
#include <QStringList>
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

// Posts keys through a uinput virtual keyboard, the one way under Wayland to reach the focused window of another
// client. Access is the right to open /dev/uinput and create the device there; the administrator grants it through a
// password dialog. The device is created as soon as access is seen and kept, so that the compositor has taken it in by
// the time the first slide command arrives. The compositor only sees a new device after udev and libinput have taken
// it in, so presses posted before then are held and written, in order, once it has settled.
class UinputKeyboard : public RemoteInput {
public:
    static inline const QString uinputPath = QStringLiteral("/dev/uinput");
    // About how long a compositor takes to open a new input device.
    static constexpr std::chrono::milliseconds defaultSettleTime { 1000 };
    // pkexec on the helper that opens /dev/uinput to the active user.
    static inline const QString pkexecPath = QStringLiteral("/usr/bin/pkexec");
    // The helper installed with the app, or the copy beside a binary run from its build tree.
    static QString grantHelperPath();

    // grantProgram and its arguments start the dialog that grants access.
    UinputKeyboard(std::unique_ptr<KeyDeviceWriter> writer, std::chrono::milliseconds settleTime, QString devicePath,
        const QString& grantProgram, const QStringList& grantArguments);

    bool pressKey(Key key) override;
    // Opening the node is not enough: access is only of use once the kernel has given us the keyboard.
    bool hasAccess() override;
    // The dialog can stay open for minutes; while it is open, asking again opens nothing. A program that cannot be
    // started is dropped silently: access is observed through later checks only.
    void requestAccess() override;
    AccessRequest accessRequest() const override { return AccessRequest::adminPassword; }
    bool isAskingForAccess() const override { return m_grantDialog.state() != QProcess::NotRunning; }

private:
    // Creates the device when it does not exist yet; true when it exists.
    bool prepareDevice();
    void write(Key key);

    std::unique_ptr<KeyDeviceWriter> m_writer;
    std::chrono::milliseconds m_settleTime;
    QString m_devicePath;
    QString m_grantProgram;
    QStringList m_grantArguments;
    QProcess m_grantDialog;
    bool m_deviceCreated = false;
    HeldPresses m_presses;
};
