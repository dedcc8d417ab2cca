#include "MacRemoteService.h"

#include "platform/RemoteInput.h"
#include "platform/RepeatingTimer.h"

using namespace std::chrono_literals;

void MacRemoteService::startAccessibilityMonitoring()
{
    setHasAccessibility(m_platform.keys.hasAccess());
    // One poll at a time: the old timer stops before the new one starts.
    m_accessibilityTimer.reset();
    m_accessibilityTimer = m_platform.timers.startRepeating(2s, [this] { refreshAccessibilityStatus(); });
}

void MacRemoteService::refreshAccessibilityStatus()
{
    const bool trusted = m_platform.keys.hasAccess();
    if (trusted == m_hasAccessibility)
        return;
    setHasAccessibility(trusted);
    if (trusted)
        setStatusMessage(tr("✅ Accessibilité autorisée"));
}

bool MacRemoteService::canRequestAccessibility() const { return m_platform.keys.canRequestAccess(); }

void MacRemoteService::requestAccessibilityPermission() { m_platform.keys.requestAccess(); }
