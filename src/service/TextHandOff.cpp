#include "TextHandOff.h"

#include "platform/PeerLink.h"

TextHandOff::TextHandOff(PeerLink& peerLink, QObject* parent)
    : QObject(parent)
    , m_peerLink(peerLink)
{
    connect(&m_peerLink, &PeerLink::delivered, this, [this](quint64 delivery) {
        if (!m_pending || delivery != m_delivery)
            return;
        m_pending.reset();
        Q_EMIT delivered();
    });
}

void TextHandOff::hold(TextPayload text)
{
    m_pending = std::move(text);
    m_peerLink.offerText(++m_delivery, *m_pending);
}

std::optional<TextPayload> TextHandOff::take()
{
    if (m_pending)
        m_peerLink.withdrawText();
    return std::exchange(m_pending, std::nullopt);
}
