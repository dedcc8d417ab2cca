#include "PhoneJson.h"

#include <QJsonDocument>

namespace {

QString escapeJsonText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar character : text) {
        switch (character.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'"':
            escaped += QStringLiteral("\\\"");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        default:
            // Raw control characters would make the body invalid JSON.
            if (character.unicode() < 0x20)
                escaped += QStringLiteral("\\u%1").arg(character.unicode(), 4, 16, QLatin1Char('0'));
            else
                escaped += character;
        }
    }
    return escaped;
}

}

QByteArray encodeTextPayload(const TextPayload& text)
{
    return (QStringLiteral("{\"title\":\"") + escapeJsonText(text.title) + QStringLiteral("\",\"text\":\"")
        + escapeJsonText(text.text) + QStringLiteral("\"}"))
        .toUtf8();
}

std::optional<TextPayload> textPayloadFromJson(const QJsonObject& object)
{
    const QJsonValue title = object.value(QStringLiteral("title"));
    const QJsonValue text = object.value(QStringLiteral("text"));
    if (!title.isString() || !text.isString())
        return std::nullopt;
    return TextPayload { title.toString(), text.toString() };
}

std::optional<TextPayload> decodeTextPayload(QByteArrayView json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray());
    if (!document.isObject())
        return std::nullopt;
    return textPayloadFromJson(document.object());
}

QByteArray keyTargetJson(const KeyTarget& target, const QString& programName)
{
    const QJsonObject answer { { QStringLiteral("state"), rawValue(target.state) },
        { QStringLiteral("program"), target.program }, { QStringLiteral("name"), programName } };
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}
