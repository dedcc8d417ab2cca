#pragma once

#include "DecodingError.h"

#include <QByteArray>
#include <QJsonObject>

// Small strict readers shared by the message decoders; each failure names its kind.
namespace JsonReading {

Decoded<QJsonObject> topLevelObject(const QByteArray& json);
Decoded<QJsonObject> objectMember(const QJsonObject& object, const QString& key);
Decoded<QString> stringMember(const QJsonObject& object, const QString& key);

}
