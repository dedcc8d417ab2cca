#include "RemoteMessage.h"

#include "transport/PhoneJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString slideCommandKey = QStringLiteral("slideCommand");
const QString importTextKey = QStringLiteral("importText");
const QString watchKeyTargetKey = QStringLiteral("watchKeyTarget");

std::optional<RemoteMessage> decodeSlideCommand(const QJsonValue& payload)
{
    const QJsonValue raw = payload.toObject().value(QStringLiteral("_0"));
    if (!raw.isString())
        return std::nullopt;
    const std::optional<RemoteCommand> command = remoteCommandFromRawValue(raw.toString());
    if (!command)
        return std::nullopt;
    return RemoteMessage::slideCommand(*command);
}

}

QByteArray RemoteMessage::encode() const
{
    if (const auto* slide = std::get_if<SlideCommand>(&content))
        return "{\"slideCommand\":{\"_0\":\"" + rawValue(slide->command).toLatin1() + "\"}}";
    if (const auto* text = std::get_if<TextPayload>(&content))
        return "{\"importText\":" + encodeTextPayload(*text) + '}';
    return "{\"watchKeyTarget\":{}}";
}

std::optional<RemoteMessage> RemoteMessage::decode(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    const QJsonObject message = document.object();
    const int members = int(message.contains(slideCommandKey)) + int(message.contains(importTextKey))
        + int(message.contains(watchKeyTargetKey));
    if (!document.isObject() || members != 1)
        return std::nullopt;
    if (message.contains(watchKeyTargetKey))
        return message.value(watchKeyTargetKey).isObject() ? std::optional(RemoteMessage { WatchKeyTarget {} })
                                                           : std::nullopt;
    const bool hasSlideCommand = message.contains(slideCommandKey);
    const QJsonValue payload = message.value(hasSlideCommand ? slideCommandKey : importTextKey);
    if (!payload.isObject())
        return std::nullopt;
    if (hasSlideCommand)
        return decodeSlideCommand(payload);
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
