#include "RemoteMessage.h"

#include "JsonReading.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

const QString slideCommandKey = QStringLiteral("slideCommand");
const QString importTextKey = QStringLiteral("importText");

Decoded<RemoteMessage> decodeSlideCommand(const QJsonObject& message)
{
    const QStringList path { slideCommandKey };
    Decoded<QJsonObject> payload = JsonReading::objectMember(message, slideCommandKey, {});
    if (auto* error = std::get_if<DecodingError>(&payload))
        return *error;
    Decoded<QString> raw = JsonReading::stringMember(std::get<QJsonObject>(payload), QStringLiteral("_0"), path);
    if (auto* error = std::get_if<DecodingError>(&raw))
        return *error;
    const std::optional<RemoteCommand> command = remoteCommandFromRawValue(std::get<QString>(raw));
    if (!command)
        return DecodingError { DecodingError::Kind::dataCorrupted,
            QStringLiteral("Cannot initialize RemoteCommand from invalid String value %1").arg(std::get<QString>(raw)),
            path + QStringList { QStringLiteral("_0") } };
    return RemoteMessage::slideCommand(*command);
}

Decoded<RemoteMessage> decodeImportText(const QJsonObject& message)
{
    const QStringList path { importTextKey };
    Decoded<QJsonObject> payload = JsonReading::objectMember(message, importTextKey, {});
    if (auto* error = std::get_if<DecodingError>(&payload))
        return *error;
    const QJsonObject& fields = std::get<QJsonObject>(payload);
    Decoded<QString> title = JsonReading::stringMember(fields, QStringLiteral("title"), path);
    if (auto* error = std::get_if<DecodingError>(&title))
        return *error;
    Decoded<QString> text = JsonReading::stringMember(fields, QStringLiteral("text"), path);
    if (auto* error = std::get_if<DecodingError>(&text))
        return *error;
    return RemoteMessage::importText(std::get<QString>(title), std::get<QString>(text));
}

}

QByteArray RemoteMessage::encode() const
{
    QJsonObject message;
    if (const auto* slide = std::get_if<SlideCommand>(&content)) {
        message.insert(slideCommandKey, QJsonObject { { QStringLiteral("_0"), rawValue(slide->command) } });
    } else {
        const auto& import = std::get<ImportText>(content);
        message.insert(importTextKey,
            QJsonObject { { QStringLiteral("title"), import.title }, { QStringLiteral("text"), import.text } });
    }
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
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
            QStringLiteral("Invalid number of keys found, expected one."), {}, QStringLiteral("RemoteMessage") };
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
