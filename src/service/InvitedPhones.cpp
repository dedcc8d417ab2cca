#include "InvitedPhones.h"

#include "platform/Settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <utility>

namespace {

QByteArray randomSecret()
{
    std::array<quint32, phoneSecretBytes / sizeof(quint32)> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.data()), phoneSecretBytes).toHex();
}

}

QString browserName(QStringView userAgent)
{
    // Most specific first: each of these also calls itself Chrome or Safari.
    static constexpr std::array<std::pair<QStringView, QStringView>, 11> browsers { {
        { u"SamsungBrowser/", u"Samsung Internet" },
        { u"EdgA/", u"Edge" },
        { u"EdgiOS/", u"Edge" },
        { u"Edg/", u"Edge" },
        { u"OPR/", u"Opera" },
        { u"FxiOS/", u"Firefox" },
        { u"Firefox/", u"Firefox" },
        { u"CriOS/", u"Chrome" },
        { u"Chrome/", u"Chrome" },
        { u"Chromium/", u"Chromium" },
        { u"Safari/", u"Safari" },
    } };
    static constexpr std::array<std::pair<QStringView, QStringView>, 6> systems { {
        { u"iPhone", u"iPhone" },
        { u"iPad", u"iPad" },
        { u"Android", u"Android" },
        { u"Windows", u"Windows" },
        { u"Mac OS X", u"macOS" },
        { u"Linux", u"Linux" },
    } };
    const auto found = std::find_if(browsers.begin(), browsers.end(),
        [userAgent](const auto& browser) { return userAgent.contains(browser.first); });
    if (found == browsers.end())
        return {};
    const auto system = std::find_if(
        systems.begin(), systems.end(), [userAgent](const auto& system) { return userAgent.contains(system.first); });
    return system == systems.end() ? found->second.toString()
                                   : found->second.toString() + QStringLiteral(" · ") + system->second.toString();
}

InvitedPhones::InvitedPhones(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_isRequired(settings.integer(requiredKey) != 0)
{
    const QJsonArray stored = QJsonDocument::fromJson(settings.text(phonesKey).toUtf8()).array();
    for (const QJsonValue& value : stored) {
        const QJsonObject phone = value.toObject();
        const QByteArray keyHash = QByteArray::fromHex(phone.value(u"keyHash").toString().toLatin1());
        if (!keyHash.isEmpty())
            m_phones.push_back({ keyHash, phone.value(u"address").toString(), phone.value(u"browser").toString(),
                QDateTime::fromString(phone.value(u"since").toString(), Qt::ISODate) });
    }
    if (m_isRequired)
        drawInvitation();
    m_presence.setInterval(std::chrono::seconds(2));
    connect(&m_presence, &QTimer::timeout, this, &InvitedPhones::updatePresence);
}

void InvitedPhones::setRequired(bool isRequired)
{
    if (m_isRequired == isRequired)
        return;
    m_isRequired = isRequired;
    m_settings.setInteger(requiredKey, isRequired ? 1 : 0);
    if (isRequired)
        drawInvitation();
    else
        m_invitation.clear();
    m_refusedAddress.clear();
    m_refusedCounts.clear();
    Q_EMIT keysChanged();
    Q_EMIT refusedChanged();
}

PhoneKeys InvitedPhones::keys() const
{
    PhoneKeys keys { m_isRequired, {}, m_invitation.isEmpty() ? QByteArray() : phoneSecretHash(m_invitation) };
    for (const Phone& phone : m_phones)
        keys.keyHashes.append(phone.keyHash);
    return keys;
}

QByteArray InvitedPhones::join(const QByteArray& invitation, const QString& userAgent, const QString& address)
{
    // Two phones that scanned the same code: the first to get here takes it.
    if (!m_isRequired || invitation != m_invitation)
        return {};
    const QByteArray key = randomSecret();
    m_phones.push_back({ phoneSecretHash(key), address, browserName(userAgent), QDateTime::currentDateTime() });
    store();
    drawInvitation();
    Q_EMIT keysChanged();
    Q_EMIT phonesChanged();
    return key;
}

void InvitedPhones::noteRequest(const QByteArray& keyHash)
{
    const auto phone = std::find_if(
        m_phones.begin(), m_phones.end(), [&keyHash](const Phone& phone) { return phone.keyHash == keyHash; });
    if (phone == m_phones.end())
        return;
    phone->sinceRequest.start();
    if (!m_presence.isActive())
        m_presence.start();
    // Every request of a phone shown connected would change nothing: the presence timer notices its silence.
    if (!phone->isConnected)
        updatePresence();
}

void InvitedPhones::setSessions(const QList<QByteArray>& keyHashes)
{
    for (Phone& phone : m_phones)
        phone.sessions = int(keyHashes.count(phone.keyHash));
    updatePresence();
}

void InvitedPhones::updatePresence()
{
    bool hasChanged = false;
    bool isHeardOverHttp = false;
    for (Phone& phone : m_phones) {
        const bool isHeard = phone.sinceRequest.isValid()
            && !phone.sinceRequest.hasExpired(std::chrono::milliseconds(httpPresence).count());
        isHeardOverHttp |= isHeard;
        const bool isConnected = phone.sessions > 0 || isHeard;
        hasChanged |= std::exchange(phone.isConnected, isConnected) != isConnected;
    }
    if (!isHeardOverHttp)
        m_presence.stop();
    if (hasChanged)
        Q_EMIT phonesChanged();
}

void InvitedPhones::revoke(const QByteArray& keyHash)
{
    if (std::erase_if(m_phones, [&keyHash](const Phone& phone) { return phone.keyHash == keyHash; }) == 0)
        return;
    store();
    Q_EMIT keysChanged();
    Q_EMIT phonesChanged();
}

void InvitedPhones::revokeAll()
{
    if (m_phones.empty())
        return;
    m_phones.clear();
    store();
    Q_EMIT keysChanged();
    Q_EMIT phonesChanged();
}

void InvitedPhones::noteRefused(const QString& address, int count)
{
    // Reports still on their way when keys stopped being required count for nothing.
    if (!m_isRequired)
        return;
    m_refusedAddress = address;
    m_refusedCounts[address] += count;
    Q_EMIT refusedChanged();
}

void InvitedPhones::drawInvitation() { m_invitation = randomSecret(); }

void InvitedPhones::store()
{
    QJsonArray stored;
    for (const Phone& phone : m_phones) {
        QJsonObject entry;
        entry.insert(u"keyHash", QString::fromLatin1(phone.keyHash.toHex()));
        entry.insert(u"address", phone.address);
        entry.insert(u"browser", phone.browser);
        entry.insert(u"since", phone.since.toString(Qt::ISODateWithMs));
        stored.append(entry);
    }
    m_settings.setText(phonesKey,
        stored.isEmpty() ? QString() : QString::fromUtf8(QJsonDocument(stored).toJson(QJsonDocument::Compact)));
}
