#pragma once

#include "platform/PhoneRequest.h"

#include <QByteArray>
#include <optional>
#include <variant>

// What travels over the peer session: commands from the phone, texts to it, and the page's own request to be told
// where the keys go, which the phone app never sends.
struct RemoteMessage {
    struct SlideCommand {
        RemoteCommand command;
        bool operator==(const SlideCommand&) const = default;
    };
    struct WatchKeyTarget {
        bool operator==(const WatchKeyTarget&) const = default;
    };

    std::variant<SlideCommand, TextPayload, WatchKeyTarget> content;

    static RemoteMessage slideCommand(RemoteCommand command) { return { SlideCommand { command } }; }
    static RemoteMessage importText(QString title, QString text)
    {
        return { TextPayload { std::move(title), std::move(text) } };
    }

    // Compact JSON: {"slideCommand":{"_0":"next"}}, {"importText":{"title":"T","text":"X"}} or
    // {"watchKeyTarget":{}}.
    QByteArray encode() const;
    // Strict JSON: exactly one of the members, each with its fields as strings.
    static std::optional<RemoteMessage> decode(const QByteArray& json);
    // The bare words "previous" and "next", else strict JSON; anything else is nothing.
    static std::optional<RemoteMessage> parse(const QByteArray& data);
};
