#pragma once

#include "platform/PhoneRequest.h"

#include <QByteArray>
#include <optional>
#include <variant>

// What travels over the peer session: commands from the phone, texts to it, and what only the remote page sends: its
// request to be told where the keys go, its pings, its taps, each answered with whether its key was pressed, and the
// finger on its pointer pad.
struct RemoteMessage {
    struct SlideCommand {
        RemoteCommand command;
        bool operator==(const SlideCommand&) const = default;
    };
    struct WatchKeyTarget {
        bool operator==(const WatchKeyTarget&) const = default;
    };
    struct Ping {
        bool operator==(const Ping&) const = default;
    };
    struct Tap {
        RemoteCommand command;
        qint64 id;
        // On the desktop's steady clock, in milliseconds, as the page learnt it from the answers to its pings.
        qint64 deadline;
        bool operator==(const Tap&) const = default;
    };
    // Where the finger is on the pad, each coordinate from 0 to 1.
    struct PointerMove {
        double x;
        double y;
        bool operator==(const PointerMove&) const = default;
    };
    struct PointerLift {
        bool operator==(const PointerLift&) const = default;
    };

    // A page let in by its key asks for a fresh picture of the screen, and for one after each slide command.
    struct WatchPicture {
        bool operator==(const WatchPicture&) const = default;
    };

    std::variant<SlideCommand, TextPayload, WatchKeyTarget, Ping, Tap, PointerMove, PointerLift, WatchPicture> content;

    static RemoteMessage slideCommand(RemoteCommand command) { return { SlideCommand { command } }; }
    static RemoteMessage importText(QString title, QString text)
    {
        return { TextPayload { std::move(title), std::move(text) } };
    }

    // Compact JSON: {"slideCommand":{"_0":"next"}}, {"importText":{"title":"T","text":"X"}}, {"watchKeyTarget":{}},
    // {"ping":{}}, {"tap":{"id":7,"command":"next","deadline":123456}}, {"pointerMove":{"x":0.25,"y":0.5}},
    // {"pointerLift":{}} or {"watchPicture":{}}.
    QByteArray encode() const;
    // Strict JSON: exactly one of the members, each with its fields as strings, a tap's id and deadline as whole
    // numbers from 0, a pointer's coordinates as numbers from 0 to 1.
    static std::optional<RemoteMessage> decode(const QByteArray& json);
    // The bare words "previous" and "next", else strict JSON; anything else is nothing.
    static std::optional<RemoteMessage> parse(const QByteArray& data);
};
