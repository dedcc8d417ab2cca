#include "JsonReading.h"
#include "MacRemoteService.h"

Decoded<MacRemoteService::TextPayload> MacRemoteService::TextPayload::decode(const QByteArray& json)
{
    Decoded<QJsonObject> top = JsonReading::topLevelObject(json);
    if (auto* error = std::get_if<DecodingError>(&top))
        return *error;
    const QJsonObject& payload = std::get<QJsonObject>(top);
    Decoded<QString> title = JsonReading::stringMember(payload, QStringLiteral("title"));
    if (auto* error = std::get_if<DecodingError>(&title))
        return *error;
    Decoded<QString> text = JsonReading::stringMember(payload, QStringLiteral("text"));
    if (auto* error = std::get_if<DecodingError>(&text))
        return *error;
    return TextPayload { std::get<QString>(title), std::get<QString>(text) };
}
