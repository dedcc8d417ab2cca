#include "MacRemoteService.h"

#include "platform/AccessibilityPermission.h"
#include "platform/KeyEventPoster.h"

namespace {
// macOS virtual key codes of the arrow keys; the key backends translate them.
constexpr quint16 rightArrowKeyCode = 124;
constexpr quint16 leftArrowKeyCode = 123;
}

void MacRemoteService::executeCommand(RemoteCommand command)
{
    if (!m_platform.permission.isTrusted()) {
        setHasAccessibility(false);
        setStatusMessage(tr("⚠️ Autorisation Accessibilité requise"));
        setLastCommandMessage(tr("⚠️ Ouvrez Réglages Système → Accessibilité"));
        setLastCommand(command);
        setCommandCount(m_commandCount + 1);
        requestAccessibilityPermission();
        return;
    }
    setHasAccessibility(true);

    const quint16 keyCode = command == RemoteCommand::next ? rightArrowKeyCode : leftArrowKeyCode;
    const std::optional<KeyEvent> keyDown = m_platform.keys.makeKeyEvent(keyCode, true);
    // Never post a key down without its key up: a stuck arrow key would run through the slides.
    const std::optional<KeyEvent> keyUp = keyDown ? m_platform.keys.makeKeyEvent(keyCode, false) : std::nullopt;
    if (!keyDown || !keyUp) {
        setStatusMessage(tr("Commande clavier impossible"));
        return;
    }
    m_platform.keys.post(*keyDown);
    m_platform.keys.post(*keyUp);

    const QString text = command == RemoteCommand::next ? tr("▶ Slide suivante") : tr("◀ Slide précédente");
    setStatusMessage(text);
    setLastCommandMessage(text);
    setLastCommand(command);
    setCommandCount(m_commandCount + 1);
}
