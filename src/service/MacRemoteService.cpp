#include "MacRemoteService.h"

#include "KeyTargetReport.h"
#include "platform/AccessibilityPermission.h"
#include "platform/RepeatingTimer.h"

#include <algorithm>

MacRemoteService::MacRemoteService(Platform platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_portStorageKey(QStringLiteral("macRemotePort"))
    , m_statusMessage(tr("En attente de l'iPhone"))
    , m_isConnected(false)
    , m_localIPAddress(tr("Recherche..."))
    , m_httpStatusMessage(tr("Démarrage..."))
    , m_lastCommandMessage(tr("Aucune commande reçue"))
    , m_commandCount(0)
    , m_hasAccessibility(m_platform.permission.isTrusted())
{
    // Advertise only once the link's signals are connected, so no early event is lost.
    connectPeerLink();
    connect(&m_platform.focusedWindow, &FocusedWindow::changed, this, &MacRemoteService::refreshKeyTarget);
    refreshKeyTarget();
    m_platform.peerLink.startAdvertising(peerDisplayName, peerServiceType);
    refreshLocalIPAddress();
    startHTTPListener();
}

MacRemoteService::~MacRemoteService()
{
    // Silence every callback source before the fields they would touch go away.
    m_httpListener.reset();
    m_candidateHttpListener.reset();
    m_retiredHttpListeners.clear();
    m_accessibilityTimer.reset();
}

QString MacRemoteService::keyTargetState() const { return rawValue(m_keyTarget.state); }

QString MacRemoteService::keyTargetProgram() const { return readableProgramName(m_keyTarget.program); }

KeyTarget MacRemoteService::refreshKeyTarget()
{
    const KeyTarget target = m_platform.focusedWindow.current();
    if (m_keyTarget != target) {
        m_keyTarget = target;
        notify(&MacRemoteService::keyTargetChanged);
    }
    return target;
}

void MacRemoteService::setStatusMessage(const QString& value)
{
    if (m_statusMessage == value)
        return;
    m_statusMessage = value;
    notify(&MacRemoteService::statusMessageChanged);
}

void MacRemoteService::setIsConnected(bool value)
{
    if (m_isConnected == value)
        return;
    m_isConnected = value;
    notify(&MacRemoteService::isConnectedChanged);
}

void MacRemoteService::setLocalIPAddress(const QString& value)
{
    if (m_localIPAddress == value)
        return;
    m_localIPAddress = value;
    notify(&MacRemoteService::localIPAddressChanged);
}

void MacRemoteService::setHttpStatusMessage(const QString& value)
{
    if (m_httpStatusMessage == value)
        return;
    m_httpStatusMessage = value;
    notify(&MacRemoteService::httpStatusMessageChanged);
}

void MacRemoteService::setLastCommandMessage(const QString& value)
{
    if (m_lastCommandMessage == value)
        return;
    m_lastCommandMessage = value;
    notify(&MacRemoteService::lastCommandMessageChanged);
}

void MacRemoteService::setCommandCount(qint64 value)
{
    if (m_commandCount == value)
        return;
    m_commandCount = value;
    notify(&MacRemoteService::commandCountChanged);
}

void MacRemoteService::setLastCommand(std::optional<RemoteCommand> value)
{
    if (m_lastCommand == value)
        return;
    m_lastCommand = value;
    notify(&MacRemoteService::lastCommandChanged);
}

void MacRemoteService::setTextSendStatus(std::optional<QString> value)
{
    if (m_textSendStatus == value)
        return;
    m_textSendStatus = std::move(value);
    notify(&MacRemoteService::textSendStatusChanged);
}

void MacRemoteService::setHasAccessibility(bool value)
{
    if (m_hasAccessibility == value)
        return;
    m_hasAccessibility = value;
    notify(&MacRemoteService::hasAccessibilityChanged);
}

void MacRemoteService::setIsHttpListenerReady(bool value)
{
    if (m_isHttpListenerReady == value)
        return;
    m_isHttpListenerReady = value;
    notify(&MacRemoteService::isHttpListenerReadyChanged);
}

void MacRemoteService::setIsTextSendSuccessful(bool value)
{
    if (m_isTextSendSuccessful == value)
        return;
    m_isTextSendSuccessful = value;
    notify(&MacRemoteService::isTextSendSuccessfulChanged);
}

void MacRemoteService::notify(Notification notification)
{
    if (!m_heldNotifications) {
        Q_EMIT(this->*notification)();
        return;
    }
    if (std::find(m_heldNotifications->begin(), m_heldNotifications->end(), notification) == m_heldNotifications->end())
        m_heldNotifications->push_back(notification);
}
