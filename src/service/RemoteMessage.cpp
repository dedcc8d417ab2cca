#include "RemoteMessage.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString slideCommandKey = QStringLiteral("slideCommand");
const QString importTextKey = QStringLiteral("importText");

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
    return "{\"importText\":" + std::get<TextPayload>(content).encode() + '}';
}

std::optional<RemoteMessage> RemoteMessage::decode(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    const QJsonObject message = document.object();
    const bool hasSlideCommand = message.contains(slideCommandKey);
    if (!document.isObject() || hasSlideCommand == message.contains(importTextKey))
        return std::nullopt;
    const QJsonValue payload = message.value(hasSlideCommand ? slideCommandKey : importTextKey);
    if (!payload.isObject())
        return std::nullopt;
    if (hasSlideCommand)
        return decodeSlideCommand(payload);
    if (std::optional<TextPayload> text = TextPayload::fromJson(payload.toObject()))
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
