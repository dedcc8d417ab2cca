#include "JsonReading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace JsonReading {

namespace {

    QString typeName(const QJsonValue& value)
    {
        switch (value.type()) {
        case QJsonValue::Bool:
            return QStringLiteral("a boolean");
        case QJsonValue::Double:
            return QStringLiteral("a number");
        case QJsonValue::String:
            return QStringLiteral("a string");
        case QJsonValue::Array:
            return QStringLiteral("an array");
        case QJsonValue::Object:
            return QStringLiteral("an object");
        default:
            return QStringLiteral("null");
        }
    }

    // Looks a member up with the kinds of failure that missing and null members get.
    Decoded<QJsonValue> member(const QJsonObject& object, const QString& key, const QStringList& path)
    {
        const auto found = object.constFind(key);
        if (found == object.constEnd())
            return DecodingError { DecodingError::Kind::keyNotFound,
                QStringLiteral("No value associated with key \"%1\".").arg(key), path };
        if (found->isNull())
            return DecodingError { DecodingError::Kind::valueNotFound,
                QStringLiteral("Expected a value for key \"%1\" but found null instead.").arg(key),
                path + QStringList { key } };
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
            return DecodingError { DecodingError::Kind::typeMismatch,
                QStringLiteral("Expected an object but found %1 instead.").arg(typeName(wrapped.array().first())), {} };
        return DecodingError { DecodingError::Kind::dataCorrupted,
            QStringLiteral("The given data was not valid JSON: %1.").arg(parseError.errorString()), {} };
    }
    if (!document.isObject())
        return DecodingError { DecodingError::Kind::typeMismatch,
            QStringLiteral("Expected an object but found an array instead."), {} };
    return document.object();
}

Decoded<QJsonObject> objectMember(const QJsonObject& object, const QString& key, const QStringList& path)
{
    Decoded<QJsonValue> value = member(object, key, path);
    if (auto* error = std::get_if<DecodingError>(&value))
        return *error;
    const QJsonValue& found = std::get<QJsonValue>(value);
    if (!found.isObject())
        return DecodingError { DecodingError::Kind::typeMismatch,
            QStringLiteral("Expected an object for key \"%1\" but found %2 instead.").arg(key, typeName(found)),
            path + QStringList { key } };
    return found.toObject();
}

Decoded<QString> stringMember(const QJsonObject& object, const QString& key, const QStringList& path)
{
    Decoded<QJsonValue> value = member(object, key, path);
    if (auto* error = std::get_if<DecodingError>(&value))
        return *error;
    const QJsonValue& found = std::get<QJsonValue>(value);
    if (!found.isString())
        return DecodingError { DecodingError::Kind::typeMismatch,
            QStringLiteral("Expected a string for key \"%1\" but found %2 instead.").arg(key, typeName(found)),
            path + QStringList { key } };
    return found.toString();
}

}
