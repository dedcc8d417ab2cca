#include "RemoteMessage.h"

#include "JsonReading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

const QString slideCommandKey = QStringLiteral("slideCommand");
const QString importTextKey = QStringLiteral("importText");

// One JSON string value, quotes included, escaped by Qt's own writer.
QByteArray jsonString(const QString& value)
{
    const QByteArray array = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

Decoded<RemoteMessage> decodeSlideCommand(const QJsonObject& message)
{
    Decoded<QJsonObject> payload = JsonReading::objectMember(message, slideCommandKey);
    if (auto* error = std::get_if<DecodingError>(&payload))
        return *error;
    Decoded<QString> raw = JsonReading::stringMember(std::get<QJsonObject>(payload), QStringLiteral("_0"));
    if (auto* error = std::get_if<DecodingError>(&raw))
        return *error;
    const std::optional<RemoteCommand> command = remoteCommandFromRawValue(std::get<QString>(raw));
    if (!command)
        return DecodingError {
            DecodingError::Kind::dataCorrupted,
            QStringLiteral("Cannot initialize RemoteCommand from invalid String value %1").arg(std::get<QString>(raw))
        };
    return RemoteMessage::slideCommand(*command);
}

Decoded<RemoteMessage> decodeImportText(const QJsonObject& message)
{
    Decoded<QJsonObject> payload = JsonReading::objectMember(message, importTextKey);
    if (auto* error = std::get_if<DecodingError>(&payload))
        return *error;
    const QJsonObject& fields = std::get<QJsonObject>(payload);
    Decoded<QString> title = JsonReading::stringMember(fields, QStringLiteral("title"));
    if (auto* error = std::get_if<DecodingError>(&title))
        return *error;
    Decoded<QString> text = JsonReading::stringMember(fields, QStringLiteral("text"));
    if (auto* error = std::get_if<DecodingError>(&text))
        return *error;
    return RemoteMessage::importText(std::get<QString>(title), std::get<QString>(text));
}

}

QByteArray RemoteMessage::encode() const
{
    if (const auto* slide = std::get_if<SlideCommand>(&content))
        return "{\"slideCommand\":{\"_0\":" + jsonString(rawValue(slide->command)) + "}}";
    // Written by hand because QJsonObject sorts its keys: the phone expects "title" before "text".
    const auto& import = std::get<ImportText>(content);
    return "{\"importText\":{\"title\":" + jsonString(import.title) + ",\"text\":" + jsonString(import.text) + "}}";
}

Decoded<RemoteMessage> RemoteMessage::decode(const QByteArray& json)
{
    Decoded<QJsonObject> top = JsonReading::topLevelObject(json);
    if (auto* error = std::get_if<DecodingError>(&top))
        return *error;
    const QJsonObject& message = std::get<QJsonObject>(top);
    const bool hasSlideCommand = message.contains(slideCommandKey);
    if (hasSlideCommand == message.contains(importTextKey))
        return DecodingError { DecodingError::Kind::typeMismatch,
            QStringLiteral("Invalid number of keys found, expected one.") };
    return hasSlideCommand ? decodeSlideCommand(message) : decodeImportText(message);
}

std::optional<RemoteMessage> RemoteMessage::parse(const QByteArray& data)
{
    Decoded<RemoteMessage> decoded = decode(data);
    if (auto* message = std::get_if<RemoteMessage>(&decoded))
        return *message;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(data);
    if (utf8.hasError())
        return std::nullopt;
    if (const std::optional<RemoteCommand> command = remoteCommandFromRawValue(text))
        return slideCommand(*command);
    return std::nullopt;
}
