#pragma once

#include "DecodingError.h"
#include "RemoteCommand.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

// What travels over the peer session: commands from the phone, texts to it.
struct RemoteMessage {
    struct SlideCommand {
        RemoteCommand command;
    };
    struct ImportText {
        QString title;
        QString text;
    };

    std::variant<SlideCommand, ImportText> content;

    static RemoteMessage slideCommand(RemoteCommand command) { return { SlideCommand { command } }; }
    static RemoteMessage importText(QString title, QString text)
    {
        return { ImportText { std::move(title), std::move(text) } };
    }

    // Compact JSON: {"slideCommand":{"_0":"next"}} or {"importText":{"title":"T","text":"X"}}.
    QByteArray encode() const;
    static Decoded<RemoteMessage> decode(const QByteArray& json);
    // Strict JSON first, then the bare words "previous" and "next"; anything else is nothing.
    static std::optional<RemoteMessage> parse(const QByteArray& data);
};
