#pragma once

#include "platform/PhoneKeys.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <vector>

class Settings;

// The phones let in while only invited phones may connect, the invitation the window shows for the next one, and
// what was refused meanwhile. A key leaves the desktop once, in the answer to the trade of an invitation; from then on
// it is known by its hash only, in the settings too.
class InvitedPhones : public QObject {
    Q_OBJECT

public:
    struct Phone {
        QByteArray keyHash;
        QString address; // where it joined from
        QString browser; // read from its User-Agent; empty for an application
        QDateTime since;
        int sessions = 0; // peer sessions open now
        QElapsedTimer sinceRequest = {}; // since its last HTTP request; invalid before the first
        bool isConnected = false;
    };

    static inline const QString requiredKey = QStringLiteral("invitedPhonesOnly");
    static inline const QString phonesKey = QStringLiteral("invitedPhones");
    // A phone that speaks HTTP only sends a request every second or so while its page is seen: it counts as
    // connected this long after its last one.
    static constexpr std::chrono::seconds httpPresence { 10 };

    explicit InvitedPhones(Settings& settings, QObject* parent = nullptr);

    bool isRequired() const { return m_isRequired; }
    // Turning it on draws an invitation; turning it off forgets what was refused. Keys stay either way.
    void setRequired(bool isRequired);
    const std::vector<Phone>& phones() const { return m_phones; }
    // What the code on the screen carries; empty while keys are not required.
    QString invitation() const { return QString::fromLatin1(m_invitation); }
    PhoneKeys keys() const;
    // A new key for the phone that presents the invitation shown now, which is then spent; empty when it is not that
    // one (another phone spent it first, or keys are not required).
    QByteArray join(const QByteArray& invitation, const QString& userAgent, const QString& address);
    // A phone's HTTP request, or the keys of the peer sessions open now: who is connected.
    void noteRequest(const QByteArray& keyHash);
    void setSessions(const QList<QByteArray>& keyHashes);
    // Revokes a key: its phone must scan a code again.
    void revoke(const QByteArray& keyHash);
    void revokeAll();
    void noteRefused(const QString& address, int count);
    // The address refused last, and how many of its requests were refused since keys were required.
    QString refusedAddress() const { return m_refusedAddress; }
    int refusedCount() const { return m_refusedAddress.isEmpty() ? 0 : m_refusedCounts.value(m_refusedAddress); }

Q_SIGNALS:
    // The transports must check against keys() from now on.
    void keysChanged();
    void phonesChanged();
    void refusedChanged();

private:
    void drawInvitation();
    void store();
    void updatePresence();

    Settings& m_settings;
    bool m_isRequired;
    std::vector<Phone> m_phones;
    QByteArray m_invitation;
    QString m_refusedAddress;
    QHash<QString, int> m_refusedCounts;
    // Runs while a phone counts as connected by its HTTP requests alone.
    QTimer m_presence { this };
};

// The browser a User-Agent names, with the system it runs on where it says ("Chrome · Android"); empty when it names
// no browser known here.
QString browserName(QStringView userAgent);
