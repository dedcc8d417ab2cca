#include "MacRemoteService.h"

// The link emits on the main thread, so every handler here runs there.
void MacRemoteService::connectPeerLink()
{
    PeerLink* link = &m_platform.peerLink;
    connect(link, &PeerLink::peerStateChanged, this, &MacRemoteService::handlePeerState);
    connect(link, &PeerLink::messageReceived, this, &MacRemoteService::handlePeerData);
    connect(link, &PeerLink::advertisingFailed, this, [this] {
        setStatusMessage(tr("Partage indisponible"));
        m_isAdvertisingFailureShown = true;
    });
    connect(link, &PeerLink::advertisingSucceeded, this, &MacRemoteService::handleAdvertisingSucceeded);
    connect(link, &PeerLink::delivered, this, &MacRemoteService::handleTextDelivered);
    connect(link, &PeerLink::undelivered, this, &MacRemoteService::handleTextUndelivered);
}

void MacRemoteService::handlePeerState(PeerState state, int connectedPeers)
{
    // Every event carries the connected set, so with several phones the header tells the truth about all of them:
    // one leaving, or a second one's failed handshake, does not hide those that stay.
    m_connectedPeers = connectedPeers;
    setIsConnected(connectedPeers > 0);
    setStatusMessage(state == PeerState::connecting ? tr("Connexion iPhone...") : connectedSetText());
    if (state == PeerState::connected)
        deliverPendingTextToPeers();
}

QString MacRemoteService::connectedSetText() const
{
    return m_connectedPeers > 0 ? tr("iPhone connecté") : tr("En attente de l'iPhone");
}

void MacRemoteService::handlePeerData(const QByteArray& data)
{
    const std::optional<RemoteMessage> message = RemoteMessage::parse(data);
    if (!message)
        return;
    // Texts only travel from the desktop to the phone; an importText from a phone is ignored.
    if (const auto* slide = std::get_if<RemoteMessage::SlideCommand>(&message->content))
        executeCommand(slide->command);
}

void MacRemoteService::handleAdvertisingSucceeded()
{
    // Only the failure's own text gives way; another part's text stands.
    if (m_isAdvertisingFailureShown)
        setStatusMessage(connectedSetText());
}
