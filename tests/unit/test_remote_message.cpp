#include "transport/PhoneJson.h"
#include "transport/peer/RemoteMessage.h"

#include <QTest>

namespace {

// "next"/"previous" for a slide command, "T|X" for a text, "-" for nothing.
QString parsed(const QByteArray& data)
{
    const std::optional<RemoteMessage> message = RemoteMessage::parse(data);
    if (!message)
        return QStringLiteral("-");
    if (const auto* slide = std::get_if<RemoteMessage::SlideCommand>(&message->content))
        return rawValue(slide->command);
    if (const auto* import = std::get_if<TextPayload>(&message->content))
        return import->title + u'|' + import->text;
    if (const auto* move = std::get_if<RemoteMessage::PointerMove>(&message->content))
        return QStringLiteral("pointer %1,%2").arg(move->x).arg(move->y);
    if (std::holds_alternative<RemoteMessage::PointerLift>(message->content))
        return QStringLiteral("lift");
    if (std::holds_alternative<RemoteMessage::WatchPicture>(message->content))
        return QStringLiteral("picture");
    return QStringLiteral("watch");
}

}

class TestRemoteMessage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* data, const char* expected) {
            QTest::newRow(data) << QByteArray(data) << QString(expected);
        };
        row("next", "next");
        row("previous", "previous");
        row(R"({"slideCommand":{"_0":"next"}})", "next");
        row(R"({"x":1,"slideCommand":{"_0":"previous","y":[]}})", "previous");
        row(R"({"slideCommand":{"_0":"previous","_0":"next"}})", "next"); // the last duplicate wins
        for (const char* command : { "blackScreen", "first", "last" })
            row(qPrintable(QStringLiteral(R"({"slideCommand":{"_0":"%1"}})").arg(command)), command);
        row(R"({"importText":{"title":"a\/b","text":"\u00e9"}})", "a/b|é");
        row(R"({"watchKeyTarget":{}})", "watch");
        row(R"({"pointerMove":{"x":0.25,"y":1}})", "pointer 0.25,1");
        row(R"({"pointerMove":{"y":0,"x":0}})", "pointer 0,0");
        row(R"({"pointerLift":{}})", "lift");
        row(R"({"watchPicture":{}})", "picture");
        for (const char* unreadable : { "next\n", " next", "Next", "forward", "\"next\"", "", "\xff\xfenext",
                 R"({"slideCommand":"next"})", R"({"slideCommand":{"_0":"Next"}})", R"({"slideCommand":{"_0":null}})",
                 "{}", R"({"slideCommand":{"_0":"next"},"importText":{"title":"T","text":"X"}})",
                 R"({"importText":{"text":"X"}})", "[\"next\"]", "{", "not json", "42", "[1]",
                 R"({"slideCommand":{"_0":1}})", R"({"slideCommand":{}})", R"({"importText":{"title":"T","text":2}})",
                 R"({"watchKeyTarget":true})", R"({"watchKeyTarget":{},"slideCommand":{"_0":"next"}})",
                 R"({"watchPicture":[]})", R"({"tap":{"id":1.5,"command":"next","deadline":5}})",
                 R"({"tap":{"id":-1,"command":"next","deadline":5}})",
                 // A finger is always somewhere on the pad.
                 R"({"pointerMove":{"x":1.01,"y":0.5}})", R"({"pointerMove":{"x":-0.1,"y":0.5}})",
                 R"({"pointerMove":{"x":"0.5","y":0.5}})", R"({"pointerMove":{"x":0.5}})",
                 // The later commands only in the message form, and only by their exact names.
                 "first", "blackScreen", R"({"slideCommand":{"_0":"black"}})", R"({"slideCommand":{"_0":"Last"}})" })
            row(unreadable, "-");
    }

    void parse()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, expected);
        QCOMPARE(parsed(data), expected);
    }

    void encodingIsCompactTitleFirstAndRoundTrips()
    {
        QCOMPARE(
            RemoteMessage::slideCommand(RemoteCommand::previous).encode(), R"({"slideCommand":{"_0":"previous"}})");
        QCOMPARE(RemoteMessage::importText("T", "X").encode(), R"({"importText":{"title":"T","text":"X"}})");
        const QString awkward = QStringLiteral("é \"q\" \\ / \n\t\x01 😀");
        QCOMPARE(parsed(RemoteMessage::importText(awkward, awkward).encode()), awkward + u'|' + awkward);
        QCOMPARE(RemoteMessage { RemoteMessage::WatchKeyTarget {} }.encode(), R"({"watchKeyTarget":{}})");
        QCOMPARE(parsed(RemoteMessage { RemoteMessage::PointerMove { 0.125, 0.5 } }.encode()), "pointer 0.125,0.5");
        // The phone reads these exact bytes.
        QCOMPARE(
            encodeTextPayload({ QStringLiteral("Note \"1\""), QStringLiteral("a\nb \"q\" \\n \x01\x1f\b\f\r\t/ é 😀") }),
            "{\"title\":\"Note \\\"1\\\"\",\"text\":\"a\\nb \\\"q\\\" \\\\n "
            "\\u0001\\u001f\\u0008\\u000c\\r\\t/ é 😀\"}");
        QCOMPARE(keyTargetJson({ KeyTarget::State::program, QStringLiteral("evince") }, QStringLiteral("Evince")),
            R"({"name":"Evince","program":"evince","state":"program"})");
    }

    void textPayloadDecodesStrictly()
    {
        QVERIFY(decodeTextPayload(R"({"title":"","text":""})"));
        QCOMPARE(decodeTextPayload(R"({"text":"x","title":"A","title":"B"})")->title, "B");
        for (const QByteArray& bad : QList<QByteArray> { R"({"title":"T"})", R"({"title":1,"text":"x"})",
                 R"({"title":"T","text":null})", "[]", "", "{\"title\":\"T\",\"text\":\"x\"" })
            QVERIFY2(!decodeTextPayload(bad), bad.constData());
    }
};

QTEST_APPLESS_MAIN(TestRemoteMessage)
#include "test_remote_message.moc"
