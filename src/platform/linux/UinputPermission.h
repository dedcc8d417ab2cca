#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/linux/GrantPrompt.h"

#include <QString>
#include <memory>

class UinputKeyboard;

// Under Wayland the right to post keys is the right to open /dev/uinput and create the virtual keyboard there. The
// keyboard is created as soon as that right is seen, so that the compositor has taken it in by the time the first
// slide command arrives.
class UinputPermission : public AccessibilityPermission {
public:
    static inline const QString uinputPath = QStringLiteral("/dev/uinput");

    // The keyboard must outlive this permission.
    UinputPermission(QString devicePath, UinputKeyboard& keyboard, std::unique_ptr<GrantPrompt> prompt);

    bool isTrusted() override;
    // Linux keeps no per-application decision to clear.
    void resetRecord() override { }
    void requestPrompt() override;

private:
    QString m_devicePath;
    UinputKeyboard& m_keyboard;
    std::unique_ptr<GrantPrompt> m_prompt;
};
