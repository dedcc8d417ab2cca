#include "RemoteMessage.h"

#include "transport/PhoneJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString slideCommandKey = QStringLiteral("slideCommand");
const QString importTextKey = QStringLiteral("importText");
const QString watchKeyTargetKey = QStringLiteral("watchKeyTarget");
const QString pingKey = QStringLiteral("ping");
const QString tapKey = QStringLiteral("tap");
const QString pointerMoveKey = QStringLiteral("pointerMove");
const QString pointerLiftKey = QStringLiteral("pointerLift");
const QString watchPictureKey = QStringLiteral("watchPicture");

std::optional<RemoteMessage> decodeSlideCommand(const QJsonObject& payload)
{
    const QJsonValue raw = payload.value(QStringLiteral("_0"));
    if (!raw.isString())
        return std::nullopt;
    const std::optional<RemoteCommand> command = remoteCommandFromRawValue(raw.toString());
    if (!command)
        return std::nullopt;
    return RemoteMessage::slideCommand(*command);
}

std::optional<RemoteMessage> decodeTap(const QJsonObject& payload)
{
    // A command that is no string reads as the empty one, which names none.
    const std::optional<RemoteCommand> command
        = remoteCommandFromRawValue(payload.value(QStringLiteral("command")).toString());
    // -1 stands for anything but a whole number: a fraction, a string, one beyond 64 bits.
    const qint64 id = payload.value(QStringLiteral("id")).toInteger(-1);
    const qint64 deadline = payload.value(QStringLiteral("deadline")).toInteger(-1);
    if (!command || id < 0 || deadline < 0)
        return std::nullopt;
    return RemoteMessage { RemoteMessage::Tap { *command, id, deadline } };
}

std::optional<RemoteMessage> decodePointerMove(const QJsonObject& payload)
{
    // -1 stands for anything but a number.
    const double x = payload.value(QStringLiteral("x")).toDouble(-1);
    const double y = payload.value(QStringLiteral("y")).toDouble(-1);
    if (x < 0 || x > 1 || y < 0 || y > 1)
        return std::nullopt;
    return RemoteMessage { RemoteMessage::PointerMove { x, y } };
}

}

QByteArray RemoteMessage::encode() const
{
    if (const auto* slide = std::get_if<SlideCommand>(&content))
        return "{\"slideCommand\":{\"_0\":\"" + rawValue(slide->command).toLatin1() + "\"}}";
    if (const auto* text = std::get_if<TextPayload>(&content))
        return "{\"importText\":" + encodeTextPayload(*text) + '}';
    if (const auto* tap = std::get_if<Tap>(&content))
        return "{\"tap\":{\"id\":" + QByteArray::number(tap->id) + ",\"command\":\"" + rawValue(tap->command).toLatin1()
            + "\",\"deadline\":" + QByteArray::number(tap->deadline) + "}}";
    if (const auto* move = std::get_if<PointerMove>(&content))
        return "{\"pointerMove\":{\"x\":" + QByteArray::number(move->x) + ",\"y\":" + QByteArray::number(move->y)
            + "}}";
    if (std::holds_alternative<PointerLift>(content))
        return "{\"pointerLift\":{}}";
    if (std::holds_alternative<Ping>(content))
        return "{\"ping\":{}}";
    if (std::holds_alternative<WatchPicture>(content))
        return "{\"watchPicture\":{}}";
    return "{\"watchKeyTarget\":{}}";
}

std::optional<RemoteMessage> RemoteMessage::decode(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    const QJsonObject message = document.object();
    const QString* found = nullptr;
    for (const QString* key : { &slideCommandKey, &importTextKey, &watchKeyTargetKey, &pingKey, &tapKey,
             &pointerMoveKey, &pointerLiftKey, &watchPictureKey }) {
        if (!message.contains(*key))
            continue;
        if (found)
            return std::nullopt;
        found = key;
    }
    const QJsonValue payload = found ? message.value(*found) : QJsonValue();
    if (!document.isObject() || !payload.isObject())
        return std::nullopt;
    if (found == &slideCommandKey)
        return decodeSlideCommand(payload.toObject());
    if (found == &tapKey)
        return decodeTap(payload.toObject());
    if (found == &pointerMoveKey)
        return decodePointerMove(payload.toObject());
    if (found == &pointerLiftKey)
        return RemoteMessage { PointerLift {} };
    if (found == &watchKeyTargetKey)
        return RemoteMessage { WatchKeyTarget {} };
    if (found == &pingKey)
        return RemoteMessage { Ping {} };
    if (found == &watchPictureKey)
        return RemoteMessage { WatchPicture {} };
    if (std::optional<TextPayload> text = textPayloadFromJson(payload.toObject()))
        return RemoteMessage { std::move(*text) };
    return std::nullopt;
}

std::optional<RemoteMessage> RemoteMessage::parse(const QByteArray& data)
{
    // A bare word is never valid JSON, so one look at the bytes decides which reader runs, and each runs once.
    if (data == "next")
        return slideCommand(RemoteCommand::next);
    if (data == "previous")
        return slideCommand(RemoteCommand::previous);
    return decode(data);
}
