#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

// A text for the phone: what the user hands off, what the peer link carries and what HTTP answers with.
struct TextPayload {
    QString title;
    QString text;

    bool operator==(const TextPayload&) const = default;

    // {"title":"T","text":"X"}, written directly: title first, no blank, letters beyond ASCII and the slash as
    // they are.
    QByteArray encode() const;
    // Both members present and strings; other members are ignored.
    static std::optional<TextPayload> fromJson(const QJsonObject& object);
    static std::optional<TextPayload> decode(const QByteArray& json);
    static QString escapeJSONText(const QString& text);
};
