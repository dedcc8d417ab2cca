#include "MacRemoteService.h"

// These four run on the network thread: they touch no field and hop to the main thread for the rest.
// The peer link guarantees no call is running once the destructor has cleared the delegate.

bool MacRemoteService::shouldAcceptInvitation() { return true; }

void MacRemoteService::peerDidChangeState(int state)
{
    QMetaObject::invokeMethod(
        this, [this, state] { handlePeerState(state); }, Qt::QueuedConnection);
}

void MacRemoteService::peerDidReceiveData(const QByteArray& data)
{
    std::optional<RemoteMessage> message = RemoteMessage::parse(data);
    if (!message)
        return;
    QMetaObject::invokeMethod(
        this, [this, message = std::move(*message)] { handlePeerMessage(message); }, Qt::QueuedConnection);
}

void MacRemoteService::advertisingDidFail()
{
    QMetaObject::invokeMethod(
        this, [this] { setStatusMessage(tr("Partage indisponible")); }, Qt::QueuedConnection);
}

void MacRemoteService::handlePeerState(int state)
{
    // With several phones, one leaving must not hide the others that stay connected.
    const bool anyPeerConnected = m_platform.peerLink.hasConnectedPeers();
    switch (state) {
    case 0:
        setIsConnected(anyPeerConnected);
        if (!anyPeerConnected)
            setStatusMessage(tr("En attente de l'iPhone"));
        break;
    case 1:
        setStatusMessage(tr("Connexion iPhone..."));
        break;
    case 2:
        setIsConnected(true);
        setStatusMessage(tr("iPhone connecté"));
        break;
    default:
        setIsConnected(anyPeerConnected);
        break;
    }
}

void MacRemoteService::handlePeerMessage(const RemoteMessage& message)
{
    // Texts only travel from the desktop to the phone; an importText from a phone is ignored.
    if (const auto* slide = std::get_if<RemoteMessage::SlideCommand>(&message.content))
        executeCommand(slide->command);
}
