#include "FakePlatform.h"
#include "transport/HostPolicy.h"
#include "transport/PhoneKeyCheck.h"

#include <QTest>

namespace {

using Verdict = PhoneKeyCheck::Verdict;
using Kind = PhoneAnswer::Kind;

const QByteArray androidChrome = "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
                                 "Chrome/120.0.0.0 Mobile Safari/537.36";

PhoneAnswer join(FakePlatform& fake, const QString& invitation)
{
    PhoneRequest request { PhoneRequest::Kind::join, {}, {} };
    request.invitation = invitation.toLatin1();
    request.userAgent = QString::fromLatin1(androidChrome);
    request.address = QStringLiteral("192.168.1.23");
    return fake.httpListeners.current()->receive({ request }).at(0);
}

}

// Only invited phones: the check at the transports' edge, and the service that hands out keys and keeps their hashes.
class PhoneKeysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyAValidKeyLetsInAndASourceThatKeepsFailingIsHeldOff()
    {
        const QByteArray key(32, 'a'), invitation(32, 'i');
        PhoneKeyCheck check;
        QByteArray hash;
        // Not required: nothing is read.
        QCOMPARE(check.check(std::nullopt, {}, hash), Verdict::open);
        QVERIFY(!check.isInvitation(invitation, {}));
        check.setKeys({ true, { phoneSecretHash(key) }, phoneSecretHash(invitation) });
        QCOMPARE(check.check(key, {}, hash), Verdict::valid);
        QCOMPARE(hash, phoneSecretHash(key));
        quint8 source = 1;
        // Held here: a view must not outlive the bytes it shows.
        const QByteArray other(32, 'b'), longer = key + 'a';
        for (const std::optional<QByteArrayView> wrong :
            { std::optional<QByteArrayView>(), { other }, { key.first(31) }, { longer }, { "" } })
            QCOMPARE(check.check(wrong, { source++ }, hash), Verdict::refused);
        QVERIFY(check.isInvitation(invitation, {}) && !check.isInvitation(key, { 9 }));

        // Five wrong keys cost nothing; the sixth holds the source off, even from a valid key, and no one else.
        for (int failure = 0; failure < PhoneKeyCheck::freeFailures; ++failure)
            check.check(QByteArray(32, 'x'), { 20 }, hash);
        QCOMPARE(check.check(key, { 20 }, hash), Verdict::valid);
        for (int failure = 0; failure <= PhoneKeyCheck::freeFailures; ++failure)
            check.check(QByteArray(32, 'x'), { 21 }, hash);
        QCOMPARE(check.check(key, { 21 }, hash), Verdict::refused);
        QVERIFY(!check.isInvitation(invitation, { 21 }));
        QCOMPARE(check.check(key, { 22 }, hash), Verdict::valid);

        // Revoked, even once seen valid; the spent invitation is no longer one.
        check.setKeys({ true, {}, phoneSecretHash(QByteArray(32, 'j')) });
        QCOMPARE(check.check(key, {}, hash), Verdict::refused);
        QVERIFY(!check.holds(phoneSecretHash(key)) && !check.isInvitation(invitation, {}));
    }

    void theKeyIsReadFromTheHandshakesSubprotocols()
    {
        // The key as text: a view into the handshake would not outlive it.
        const auto key = [](const QByteArray& headers) -> std::optional<QByteArray> {
            const QByteArray handshake = "GET / HTTP/1.1\r\nHost: a\r\n" + headers + "\r\n";
            const std::optional<QByteArrayView> found = subprotocolKey(handshakeHead(handshake));
            return found ? std::optional(found->toByteArray()) : std::nullopt;
        };
        QCOMPARE(key("Sec-WebSocket-Protocol: quorvelantis, 0123abcd\r\n"), QByteArray("0123abcd"));
        QCOMPARE(key("sec-websocket-protocol:0123abcd ,quorvelantis\r\n"), QByteArray("0123abcd"));
        QCOMPARE(key("Sec-WebSocket-Protocol: quorvelantis\r\n"), std::nullopt);
        QCOMPARE(key("X-Sec-WebSocket-Protocol: 0123abcd\r\n"), std::nullopt);
        QCOMPARE(key(""), std::nullopt);
        QVERIFY(handshakeHead("GET / HTTP/1.1\r\nSec-WebSocket-Protocol: a\r\n").isEmpty());
    }

    void whatAPhoneIsComesFromItsUserAgent()
    {
        QCOMPARE(browserName(QString::fromLatin1(androidChrome)), QStringLiteral("Chrome · Android"));
        QCOMPARE(browserName(u"Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, "
                             u"like Gecko) Version/17.1 Mobile/15E148 Safari/604.1"),
            QStringLiteral("Safari · iPhone"));
        QCOMPARE(browserName(u"Mozilla/5.0 (Linux; Android 13; SM-S901B) AppleWebKit/537.36 (KHTML, like Gecko) "
                             u"SamsungBrowser/23.0 Chrome/115.0.0.0 Mobile Safari/537.36"),
            QStringLiteral("Samsung Internet · Android"));
        QCOMPARE(browserName(u"curl/7.88.1"), QString());
    }

    // The switch, the one-time trade, the phones' list and what is refused, as the transports and the window see it.
    void anInvitationIsTradedOnceForAKeyKeptAsAHash()
    {
        FakePlatform fake;
        auto service = std::make_unique<MacRemoteService>(fake.platform());
        QCOMPARE(fake.peerLink.keys, PhoneKeys {});
        QCOMPARE(service->invitation(), QString());
        service->setInvitedOnly(true);
        const QString invitation = service->invitation();
        QCOMPARE(invitation.size(), 2 * phoneSecretBytes);
        const PhoneKeys offered { true, {}, phoneSecretHash(invitation.toLatin1()) };
        QCOMPARE(fake.peerLink.keys, offered);
        QCOMPARE(fake.httpListeners.current()->keys, offered);

        const PhoneAnswer joined = join(fake, invitation);
        QCOMPARE(joined.kind, Kind::joined);
        QCOMPARE(joined.key.size(), 2 * phoneSecretBytes);
        // Spent: a fresh code at once, and a second phone with the same one is refused.
        QVERIFY(service->invitation() != invitation && service->invitation().size() == invitation.size());
        QCOMPARE(join(fake, invitation).kind, Kind::notInvited);
        const QByteArray hash = phoneSecretHash(joined.key);
        QCOMPARE(fake.peerLink.keys.keyHashes, QList<QByteArray> { hash });
        QCOMPARE(fake.httpListeners.current()->keys.keyHashes, QList<QByteArray> { hash });
        const QString stored = fake.settings.texts.value(InvitedPhones::phonesKey);
        QVERIFY(
            stored.contains(QString::fromLatin1(hash.toHex())) && !stored.contains(QString::fromLatin1(joined.key)));

        // Kept across a restart, connected while its session is open.
        service = std::make_unique<MacRemoteService>(fake.platform());
        QVERIFY(service->isInvitedOnly() && fake.peerLink.keys.keyHashes == QList<QByteArray> { hash });
        const auto phone = [&service] { return service->invitedPhones().value(0).toMap(); };
        QCOMPARE(phone().value("kind"), QStringLiteral("Chrome · Android"));
        QCOMPARE(phone().value("address"), QStringLiteral("192.168.1.23"));
        QCOMPARE(phone().value("isConnected"), false);
        Q_EMIT fake.peerLink.keyedSessionsChanged({ hash });
        QCOMPARE(phone().value("isConnected"), true);

        Q_EMIT fake.peerLink.refused(QStringLiteral("192.168.1.40"), 2);
        Q_EMIT fake.peerLink.refused(QStringLiteral("192.168.1.40"), 1);
        QCOMPARE(service->refusedCount(), 3);
        QCOMPARE(service->refusedAddress(), QStringLiteral("192.168.1.40"));

        // Sent away: its key is revoked at both transports.
        service->disconnectPhone(phone().value("keyHash").toString());
        QVERIFY(service->invitedPhones().isEmpty() && fake.peerLink.keys.keyHashes.isEmpty());
        QVERIFY(fake.httpListeners.current()->keys.keyHashes.isEmpty());
        QVERIFY(fake.settings.texts.value(InvitedPhones::phonesKey).isEmpty());
        QCOMPARE(join(fake, service->invitation()).kind, Kind::joined);
        service->forgetAllPhones();
        QVERIFY(service->invitedPhones().isEmpty() && fake.peerLink.keys.keyHashes.isEmpty());

        // Off: nothing is checked, nothing more is counted, and the code carries no invitation.
        service->setInvitedOnly(false);
        QCOMPARE(fake.peerLink.keys.isRequired, false);
        QCOMPARE(service->refusedCount(), 0);
        QCOMPARE(service->invitation(), QString());
        QCOMPARE(fake.settings.values.value(InvitedPhones::requiredKey), 0);
    }
};

QTEST_GUILESS_MAIN(PhoneKeysTest)
#include "test_phone_keys.moc"
