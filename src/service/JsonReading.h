#pragma once

#include "DecodingError.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

// Small strict readers shared by the message decoders; each failure names its kind and path.
namespace JsonReading {

Decoded<QJsonObject> topLevelObject(const QByteArray& json);
Decoded<QJsonObject> objectMember(const QJsonObject& object, const QString& key, const QStringList& path);
Decoded<QString> stringMember(const QJsonObject& object, const QString& key, const QStringList& path);

}
