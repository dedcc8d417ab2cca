#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QList>

// Who may use the desktop while only invited phones may: what the transports check each request and handshake
// against. Keys and the invitation cross this seam as hashes only, so the settings never hold a key.
struct PhoneKeys {
    // False: every phone is let in and nothing is checked, as on a desktop that never asked for keys.
    bool isRequired = false;
    QList<QByteArray> keyHashes;
    // The invitation the window shows now; empty while there is none.
    QByteArray invitationHash;

    bool operator==(const PhoneKeys&) const = default;
};

// Keys and invitations are this many random bytes, written as lower-case hex.
constexpr qsizetype phoneSecretBytes = 16;

inline QByteArray phoneSecretHash(QByteArrayView secret)
{
    return QCryptographicHash::hash(secret, QCryptographicHash::Sha256);
}
