#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// A slide command as the phone names it. A phone that knows only previous and next never sends the others.
enum class RemoteCommand { previous, next, blackScreen, first, last };

// Exact, case-sensitive match on the raw value; anything else is no command.
std::optional<RemoteCommand> remoteCommandFromRawValue(QStringView rawValue);
QString rawValue(RemoteCommand command);
