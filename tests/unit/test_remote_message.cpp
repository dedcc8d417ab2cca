#include "service/MacRemoteService.h"
#include "service/RemoteMessage.h"

#include <QJsonDocument>
#include <QTest>

using Kind = DecodingError::Kind;

namespace {

std::optional<RemoteCommand> parsedCommand(const QByteArray& data)
{
    const std::optional<RemoteMessage> message = RemoteMessage::parse(data);
    if (!message)
        return std::nullopt;
    const auto* slide = std::get_if<RemoteMessage::SlideCommand>(&message->content);
    return slide ? std::optional(slide->command) : std::nullopt;
}

DecodingError decodeFailure(const QByteArray& json)
{
    const Decoded<RemoteMessage> decoded = RemoteMessage::decode(json);
    if (!std::holds_alternative<DecodingError>(decoded))
        qFatal("expected a decoding failure for %s", json.constData());
    return std::get<DecodingError>(decoded);
}

}

class TestRemoteMessage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandRawValuesAreExact()
    {
        QCOMPARE(remoteCommandFromRawValue(u"next"), RemoteCommand::next);
        QCOMPARE(remoteCommandFromRawValue(u"previous"), RemoteCommand::previous);
        QCOMPARE(remoteCommandFromRawValue(u"Next"), std::nullopt);
        QCOMPARE(remoteCommandFromRawValue(u" next"), std::nullopt);
        QCOMPARE(rawValue(RemoteCommand::previous), QStringLiteral("previous"));
    }

    void parseAcceptsBareWordsAndTheJsonForm()
    {
        QCOMPARE(parsedCommand("next"), RemoteCommand::next);
        QCOMPARE(parsedCommand("previous"), RemoteCommand::previous);
        QCOMPARE(parsedCommand(R"({"slideCommand":{"_0":"next"}})"), RemoteCommand::next);
        QCOMPARE(parsedCommand(R"({"x":1,"slideCommand":{"_0":"previous","y":[]}})"), RemoteCommand::previous);
        QCOMPARE(parsedCommand(" { \"slideCommand\" : { \"_0\" : \"next\" } } "), RemoteCommand::next);
    }

    void parseRefusesEverythingElse()
    {
        const QList<QByteArray> unreadable { "next\n", " next", "Next", "NEXT", "forward", "\"next\"", "",
            "\xff\xfenext", R"({"slideCommand":"next"})", R"({"slideCommand":{"_0":"Next"}})",
            R"({"slideCommand":{"_0":null}})", R"({"slideCommand":{}})", "{}",
            R"({"slideCommand":{"_0":"next"},"importText":{"title":"T","text":"X"}})", "[\"next\"]", "{" };
        for (const QByteArray& data : unreadable)
            QVERIFY2(!RemoteMessage::parse(data), data.constData());
    }

    void parseReadsImportText()
    {
        const std::optional<RemoteMessage> message = RemoteMessage::parse(R"({"importText":{"title":"T","text":"X"}})");
        QVERIFY(message);
        const auto& import = std::get<RemoteMessage::ImportText>(message->content);
        QCOMPARE(import.title, QStringLiteral("T"));
        QCOMPARE(import.text, QStringLiteral("X"));
        QVERIFY(!RemoteMessage::parse(R"({"importText":{"text":"X"}})"));
    }

    void strictDecodingReportsKindPathAndDescription()
    {
        const DecodingError neither = decodeFailure("{}");
        QCOMPARE(neither.kind, Kind::typeMismatch);
        QCOMPARE(neither.description, QStringLiteral("Invalid number of keys found, expected one."));
        QCOMPARE(neither.expectedType, QStringLiteral("RemoteMessage"));
        QVERIFY(neither.codingPath.isEmpty());
        const DecodingError both
            = decodeFailure(R"({"slideCommand":{"_0":"next"},"importText":{"title":"T","text":"X"}})");
        QCOMPARE(both.description, neither.description);

        QCOMPARE(decodeFailure("not json").kind, Kind::dataCorrupted);
        // Valid JSON that is not an object is a mismatch, not corruption.
        QCOMPARE(decodeFailure("\"next\"").kind, Kind::typeMismatch);
        QCOMPARE(decodeFailure("42").kind, Kind::typeMismatch);
        QCOMPARE(decodeFailure("[1]").kind, Kind::typeMismatch);
        QCOMPARE(decodeFailure(R"({"slideCommand":"next"})").kind, Kind::typeMismatch);
        QCOMPARE(decodeFailure(R"({"slideCommand":{"_0":1}})").kind, Kind::typeMismatch);
        QCOMPARE(decodeFailure(R"({"slideCommand":{}})").kind, Kind::keyNotFound);
        QCOMPARE(decodeFailure(R"({"slideCommand":{"_0":null}})").kind, Kind::valueNotFound);
        const DecodingError badValue = decodeFailure(R"({"slideCommand":{"_0":"Next"}})");
        QCOMPARE(badValue.kind, Kind::dataCorrupted);
        QCOMPARE(badValue.codingPath, QStringList({ "slideCommand", "_0" }));
        QCOMPARE(decodeFailure(R"({"importText":{"title":null,"text":"X"}})").kind, Kind::valueNotFound);
        QCOMPARE(decodeFailure(R"({"importText":{"title":"T","text":2}})").kind, Kind::typeMismatch);
    }

    void duplicateMembersTakeTheLastOccurrence()
    {
        QCOMPARE(parsedCommand(R"({"slideCommand":{"_0":"previous","_0":"next"}})"), RemoteCommand::next);
        const Decoded<MacRemoteService::TextPayload> payload
            = MacRemoteService::TextPayload::decode(R"({"title":"A","text":"x","title":"B"})");
        QCOMPARE(std::get<MacRemoteService::TextPayload>(payload).title, QStringLiteral("B"));
    }

    void encodingIsCompactAndRoundTrips()
    {
        const QByteArray previous = RemoteMessage::slideCommand(RemoteCommand::previous).encode();
        QCOMPARE(QJsonDocument::fromJson(previous), QJsonDocument::fromJson(R"({"slideCommand":{"_0":"previous"}})"));
        QVERIFY(!previous.contains(' '));

        const QByteArray empty = RemoteMessage::importText({}, {}).encode();
        QCOMPARE(QJsonDocument::fromJson(empty), QJsonDocument::fromJson(R"({"importText":{"title":"","text":""}})"));

        const QString awkward = QStringLiteral("é \"q\" \\ \n\t\x01 😀");
        const std::optional<RemoteMessage> back
            = RemoteMessage::parse(RemoteMessage::importText(awkward, awkward).encode());
        QVERIFY(back);
        QCOMPARE(std::get<RemoteMessage::ImportText>(back->content).text, awkward);
        // Escaped slashes and non-ASCII escapes are read as well.
        const std::optional<RemoteMessage> escaped
            = RemoteMessage::parse(R"({"importText":{"title":"a\/b","text":"\u00e9"}})");
        QCOMPARE(std::get<RemoteMessage::ImportText>(escaped->content).title, QStringLiteral("a/b"));
        QCOMPARE(std::get<RemoteMessage::ImportText>(escaped->content).text, QStringLiteral("é"));
    }

    void textPayloadDecodesStrictly()
    {
        using Payload = MacRemoteService::TextPayload;
        QVERIFY(std::holds_alternative<Payload>(Payload::decode(R"({"title":"","text":""})")));
        QVERIFY(std::holds_alternative<Payload>(Payload::decode(R"({"text":"x","title":"t","extra":true})")));
        for (const QByteArray& bad : QList<QByteArray> { R"({"title":"T"})", R"({"title":1,"text":"x"})",
                 R"({"title":"T","text":null})", "[]", "", "{\"title\":\"T\",\"text\":\"x\"" })
            QVERIFY2(std::holds_alternative<DecodingError>(Payload::decode(bad)), bad.constData());
    }
};

QTEST_APPLESS_MAIN(TestRemoteMessage)
#include "test_remote_message.moc"
