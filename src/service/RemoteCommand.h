#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// A slide command as the phone names it.
enum class RemoteCommand { previous, next };

// Exact, case-sensitive match on the raw value; anything else is no command.
std::optional<RemoteCommand> remoteCommandFromRawValue(QStringView rawValue);
QString rawValue(RemoteCommand command);
