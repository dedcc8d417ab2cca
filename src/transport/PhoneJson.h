#pragma once

#include "platform/PhoneRequest.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <optional>

// The JSON both transports write and read for texts and the key target.

// {"title":"T","text":"X"}, written directly: title first, no blank, letters beyond ASCII and the slash as they are.
QByteArray encodeTextPayload(const TextPayload& text);
// Both members present and strings; other members are ignored.
std::optional<TextPayload> textPayloadFromJson(const QJsonObject& object);
std::optional<TextPayload> decodeTextPayload(QByteArrayView json);

// {"state":"program","program":"evince","name":"Evince"}.
QByteArray keyTargetJson(const KeyTarget& target, const QString& programName);
