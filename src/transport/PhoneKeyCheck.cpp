#include "PhoneKeyCheck.h"

#include "HostPolicy.h"

#include <algorithm>

namespace {

// Sources remembered at most: a flood from many addresses cannot grow the table without end.
constexpr std::size_t rememberedSources = 4096;

}

void PhoneKeyCheck::setKeys(const PhoneKeys& keys)
{
    m_keys = keys;
    std::erase_if(m_validKeys, [&keys](const auto& valid) { return !keys.keyHashes.contains(valid.second); });
    if (!keys.isRequired)
        m_failures.clear();
}

PhoneKeyCheck::Verdict PhoneKeyCheck::check(
    std::optional<QByteArrayView> key, const Source& source, QByteArray& keyHash)
{
    if (!m_keys.isRequired)
        return Verdict::open;
    // No key is no guess: the phone app, say, is refused without being held off.
    if (!key || isHeldOff(source))
        return Verdict::refused;
    if (key->size() == 2 * phoneSecretBytes) {
        for (const auto& [validKey, validHash] : m_validKeys) {
            if (isSameSecret(*key, validKey)) {
                keyHash = validHash;
                return Verdict::valid;
            }
        }
        const QByteArray hash = phoneSecretHash(*key);
        for (const QByteArray& validHash : m_keys.keyHashes) {
            if (isSameSecret(hash, validHash)) {
                m_validKeys.emplace_back(key->toByteArray(), hash);
                m_failures.erase(source);
                keyHash = hash;
                return Verdict::valid;
            }
        }
    }
    fail(source);
    return Verdict::refused;
}

bool PhoneKeyCheck::isInvitation(std::optional<QByteArrayView> invitation, const Source& source)
{
    if (!m_keys.isRequired || !invitation || isHeldOff(source))
        return false;
    if (invitation->size() == 2 * phoneSecretBytes && !m_keys.invitationHash.isEmpty()
        && isSameSecret(phoneSecretHash(*invitation), m_keys.invitationHash))
        return true;
    fail(source);
    return false;
}

bool PhoneKeyCheck::holds(const QByteArray& keyHash) const
{
    return !m_keys.isRequired || m_keys.keyHashes.contains(keyHash);
}

bool PhoneKeyCheck::isHeldOff(const Source& source) const
{
    const auto found = m_failures.find(source);
    return found != m_failures.end() && m_clock.elapsed() < found->second.heldOffUntil;
}

void PhoneKeyCheck::fail(const Source& source)
{
    if (m_failures.size() >= rememberedSources && !m_failures.contains(source))
        m_failures.clear();
    Failures& failures = m_failures[source];
    const int beyond = ++failures.count - freeFailures;
    if (beyond > 0)
        failures.heldOffUntil = m_clock.elapsed() + std::min(firstHoldOff << std::min(beyond - 1, 16), longestHoldOff);
}
