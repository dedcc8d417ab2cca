#include "TextHandOff.h"

#include "RemoteMessage.h"
#include "platform/PeerLink.h"

TextHandOff::TextHandOff(PeerLink& peerLink)
    : m_peerLink(peerLink)
{
}

void TextHandOff::hold(TextPayload text)
{
    m_pending = std::move(text);
    m_inFlight.reset();
}

void TextHandOff::deliver(int connectedPeers)
{
    if (!m_pending || m_inFlight || connectedPeers == 0)
        return;
    m_inFlight = ++m_lastDelivery;
    m_peerLink.send(*m_inFlight, RemoteMessage { *m_pending }.encode());
}

bool TextHandOff::confirm(quint64 delivery)
{
    if (delivery != m_inFlight)
        return false;
    m_inFlight.reset();
    m_pending.reset();
    return true;
}

void TextHandOff::retry(quint64 delivery, int connectedPeers)
{
    if (delivery != m_inFlight)
        return;
    m_inFlight.reset();
    deliver(connectedPeers);
}

std::optional<QByteArray> TextHandOff::take()
{
    if (!m_pending)
        return std::nullopt;
    const QByteArray body = m_pending->encode();
    m_pending.reset();
    m_inFlight.reset();
    return body;
}
