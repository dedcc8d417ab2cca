#pragma once

#include "RemoteCommand.h"
#include "TextPayload.h"

#include <QByteArray>
#include <optional>
#include <variant>

// What travels over the peer session: commands from the phone, texts to it.
struct RemoteMessage {
    struct SlideCommand {
        RemoteCommand command;
    };

    std::variant<SlideCommand, TextPayload> content;

    static RemoteMessage slideCommand(RemoteCommand command) { return { SlideCommand { command } }; }
    static RemoteMessage importText(QString title, QString text)
    {
        return { TextPayload { std::move(title), std::move(text) } };
    }

    // Compact JSON: {"slideCommand":{"_0":"next"}} or {"importText":{"title":"T","text":"X"}}.
    QByteArray encode() const;
    // Strict JSON: exactly one of the two members, each with its fields as strings.
    static std::optional<RemoteMessage> decode(const QByteArray& json);
    // The bare words "previous" and "next", else strict JSON; anything else is nothing.
    static std::optional<RemoteMessage> parse(const QByteArray& data);
};
