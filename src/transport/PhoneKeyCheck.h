#pragma once

#include "platform/PhoneKeys.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <array>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// The key half of who may connect, one per server on the network thread: while only invited phones may, whether a
// request or a handshake carries a valid key, or the invitation the window shows now. A source that keeps presenting
// wrong ones is held off: for a while its keys are refused unread, so guessing costs it time.
class PhoneKeyCheck {
public:
    // An IPv4 address in its IPv6-mapped form, or an IPv6 one cut to its /64: one host may hold a whole /64.
    using Source = std::array<quint8, 16>;
    enum class Verdict {
        open, // no key is required
        valid,
        refused, // missing, wrong, revoked, or from a source held off
    };

    // Wrong keys or invitations a source may present before it is held off.
    static constexpr int freeFailures = 5;
    // The first hold-off, doubled by each further failure up to the last.
    static constexpr qint64 firstHoldOff = 1000; // ms
    static constexpr qint64 longestHoldOff = 60000; // ms

    PhoneKeyCheck() { m_clock.start(); }

    void setKeys(const PhoneKeys& keys);
    bool isRequired() const { return m_keys.isRequired; }
    // A valid key's hash goes to keyHash.
    Verdict check(std::optional<QByteArrayView> key, const Source& source, QByteArray& keyHash);
    bool isInvitation(std::optional<QByteArrayView> invitation, const Source& source);
    // Whether a session opened with this key may go on.
    bool holds(const QByteArray& keyHash) const;

private:
    bool isHeldOff(const Source& source) const;
    void fail(const Source& source);

    PhoneKeys m_keys;
    // Keys found valid, beside their hashes: hashing every request would cost a fifth of a slide command's work.
    std::vector<std::pair<QByteArray, QByteArray>> m_validKeys;
    struct Failures {
        int count = 0;
        qint64 heldOffUntil = 0; // on m_clock
    };
    std::map<Source, Failures> m_failures;
    QElapsedTimer m_clock;
};
