#pragma once

#include "FocusedWindow.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// What phones ask of the desktop, the same whichever transport carried it; the transports parse their bytes into
// these values and frame the answers, so the service never sees a byte of either wire.

// A slide command as the phone names it. A phone that knows only previous and next never sends the others.
enum class RemoteCommand { previous, next, blackScreen, first, last };

// The raw values, in the enumeration's order.
inline constexpr std::array<QStringView, 5> remoteCommandRawValues { u"previous", u"next", u"blackScreen", u"first",
    u"last" };

inline QString rawValue(RemoteCommand command) { return remoteCommandRawValues.at(std::size_t(command)).toString(); }

// Exact, case-sensitive match on the raw value; anything else is no command.
inline std::optional<RemoteCommand> remoteCommandFromRawValue(QStringView rawValue)
{
    for (std::size_t index = 0; index < remoteCommandRawValues.size(); ++index) {
        if (rawValue == remoteCommandRawValues[index])
            return RemoteCommand(index);
    }
    return std::nullopt;
}

// A text for the phone: what the user hands off, and what a phone posts.
struct TextPayload {
    QString title;
    QString text;

    bool operator==(const TextPayload&) const = default;
};

struct PhoneRequest {
    enum class Kind {
        command,
        pendingText, // the phone asks for the text waiting for it
        sendText, // a text posted to the desktop
        keyTarget, // where the keys go
        join, // a phone trades the invitation it scanned for a key of its own
    };
    Kind kind;
    RemoteCommand command = RemoteCommand::next;
    TextPayload text;
    // While only invited phones may connect: the hash of the key the request carried.
    QByteArray keyHash = {};
    // join: the invitation as scanned, and what the window tells the phone by.
    QByteArray invitation = {};
    QString userAgent = {};
    QString address = {};
    // A tap on the remote page, which shows it as failed once it has waited: its key is pressed before then or never.
    std::optional<QDeadlineTimer> pressBefore = {};
};

// The desktop's answer to one request.
struct PhoneAnswer {
    enum class Kind {
        commandDone,
        commandNotPressed, // a tap's key could not be pressed before its deadline
        pendingText, // text holds it
        noPendingText,
        textAccepted,
        textRefused, // reason says why, in the window's words
        keyTarget, // target and programName
        joined, // key holds the phone's own key
        notInvited, // the invitation was spent meanwhile
    };
    Kind kind;
    TextPayload text;
    QString reason;
    KeyTarget target;
    QString programName;
    QByteArray key = {};
};
