#include "JsonReading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace JsonReading {

namespace {

    // Looks a member up with the kinds of failure that missing and null members get.
    Decoded<QJsonValue> member(const QJsonObject& object, const QString& key)
    {
        const auto found = object.constFind(key);
        if (found == object.constEnd())
            return DecodingError { DecodingError::Kind::keyNotFound,
                QStringLiteral("No value associated with key \"%1\".").arg(key) };
        if (found->isNull())
            return DecodingError { DecodingError::Kind::valueNotFound,
                QStringLiteral("Expected a value for key \"%1\" but found null instead.").arg(key) };
        return *found;
    }

}

Decoded<QJsonObject> topLevelObject(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // A bare scalar is valid JSON that Qt's document reader refuses; it is a type mismatch, not corruption.
        const QJsonDocument wrapped = QJsonDocument::fromJson('[' + json + ']', &parseError);
        if (parseError.error == QJsonParseError::NoError && wrapped.array().size() == 1)
            return DecodingError { DecodingError::Kind::typeMismatch, QStringLiteral("Expected an object.") };
        return DecodingError { DecodingError::Kind::dataCorrupted,
            QStringLiteral("The given data was not valid JSON: %1.").arg(parseError.errorString()) };
    }
    if (!document.isObject())
        return DecodingError { DecodingError::Kind::typeMismatch, QStringLiteral("Expected an object.") };
    return document.object();
}

Decoded<QJsonObject> objectMember(const QJsonObject& object, const QString& key)
{
    Decoded<QJsonValue> value = member(object, key);
    if (auto* error = std::get_if<DecodingError>(&value))
        return *error;
    if (!std::get<QJsonValue>(value).isObject())
        return DecodingError { DecodingError::Kind::typeMismatch,
            QStringLiteral("Expected an object for key \"%1\".").arg(key) };
    return std::get<QJsonValue>(value).toObject();
}

Decoded<QString> stringMember(const QJsonObject& object, const QString& key)
{
    Decoded<QJsonValue> value = member(object, key);
    if (auto* error = std::get_if<DecodingError>(&value))
        return *error;
    if (!std::get<QJsonValue>(value).isString())
        return DecodingError { DecodingError::Kind::typeMismatch,
            QStringLiteral("Expected a string for key \"%1\".").arg(key) };
    return std::get<QJsonValue>(value).toString();
}

}
