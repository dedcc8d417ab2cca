#pragma once

#include "platform/PhoneRequest.h"

#include <QObject>
#include <optional>

class PeerLink;

// The one text waiting for a phone. The peer link delivers it to whichever phone is or becomes connected; HTTP takes
// it otherwise. It stays pending until a phone shows it read it: a phone gone silent takes nothing with it.
class TextHandOff : public QObject {
    Q_OBJECT

public:
    explicit TextHandOff(PeerLink& peerLink, QObject* parent = nullptr);

    std::optional<TextPayload> pending() const { return m_pending; }
    // Replaces the pending text; a report on the one it replaces changes nothing.
    void hold(TextPayload text);
    // The pending text, taken over HTTP: the peer link no longer offers it.
    std::optional<TextPayload> take();

Q_SIGNALS:
    // A phone read the pending text over the peer link: it is no longer pending.
    void delivered();

private:
    PeerLink& m_peerLink;
    std::optional<TextPayload> m_pending;
    // Names the offer of the pending text, so a late report on an earlier one is told apart.
    quint64 m_delivery = 0;
};
