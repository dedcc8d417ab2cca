#include "RemoteCommand.h"

#include <array>
#include <utility>

namespace {

// In the enumeration's order.
constexpr std::array<std::pair<RemoteCommand, QStringView>, 5> rawValues { {
    { RemoteCommand::previous, u"previous" },
    { RemoteCommand::next, u"next" },
    { RemoteCommand::blackScreen, u"blackScreen" },
    { RemoteCommand::first, u"first" },
    { RemoteCommand::last, u"last" },
} };

}

std::optional<RemoteCommand> remoteCommandFromRawValue(QStringView rawValue)
{
    for (const auto& [command, raw] : rawValues) {
        if (rawValue == raw)
            return command;
    }
    return std::nullopt;
}

QString rawValue(RemoteCommand command) { return rawValues.at(static_cast<size_t>(command)).second.toString(); }
