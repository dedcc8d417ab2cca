#include "MacRemoteService.h"

#include "platform/AccessibilityPermission.h"
#include "platform/KeyInjector.h"

void MacRemoteService::executeCommand(RemoteCommand command)
{
    if (!m_platform.permission.isTrusted()) {
        setHasAccessibility(false);
        setStatusMessage(tr("⚠️ Autorisation Accessibilité requise"));
        setLastCommandMessage(m_platform.permission.canBeGranted()
                ? tr("⚠️ Cliquez sur Autoriser → mot de passe admin")
                : tr("⚠️ Extension XTEST absente"));
        setLastCommand(command);
        setCommandCount(m_commandCount + 1);
        // During a talk, each press must not bring up another password dialog.
        if (!m_hasPromptedForCommand) {
            m_hasPromptedForCommand = true;
            requestAccessibilityPermission();
        }
        return;
    }
    setHasAccessibility(true);

    if (!m_platform.keys.pressArrow(command == RemoteCommand::next ? Arrow::right : Arrow::left)) {
        setStatusMessage(tr("Commande clavier impossible"));
        return;
    }

    const QString text = command == RemoteCommand::next ? tr("▶ Slide suivante") : tr("◀ Slide précédente");
    setStatusMessage(text);
    setLastCommandMessage(text);
    setLastCommand(command);
    setCommandCount(m_commandCount + 1);
    // Without a window manager no event tells of a focus change: the window shows where this press went.
    refreshKeyTarget();
}
