#pragma once

#include "TextPayload.h"

#include <QByteArray>
#include <optional>

class PeerLink;

// The one text waiting for a phone, and its send over the peer link until a phone reports on it. The text stays
// pending until a phone shows it read it: a phone gone silent takes nothing with it.
class TextHandOff {
public:
    explicit TextHandOff(PeerLink& peerLink);

    std::optional<TextPayload> pending() const { return m_pending; }
    // Replaces the pending text; a report on the one it replaces changes nothing.
    void hold(TextPayload text);
    // Sends the pending text to the connected phones, unless there are none or a send awaits its report.
    void deliver(int connectedPeers);
    // True when a phone read the pending text: it is no longer pending.
    bool confirm(quint64 delivery);
    // Every phone it went to left before reading it: it goes to those still connected, if any.
    void retry(quint64 delivery, int connectedPeers);
    // The pending text as a JSON body, taken over HTTP; a report on its send then changes nothing.
    std::optional<QByteArray> take();

private:
    PeerLink& m_peerLink;
    std::optional<TextPayload> m_pending;
    // The send of the pending text to the peers, until they report on it.
    std::optional<quint64> m_inFlight;
    quint64 m_lastDelivery = 0;
};
