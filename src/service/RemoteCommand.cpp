#include "RemoteCommand.h"

std::optional<RemoteCommand> remoteCommandFromRawValue(QStringView rawValue)
{
    if (rawValue == u"previous")
        return RemoteCommand::previous;
    if (rawValue == u"next")
        return RemoteCommand::next;
    return std::nullopt;
}

QString rawValue(RemoteCommand command)
{
    return command == RemoteCommand::next ? QStringLiteral("next") : QStringLiteral("previous");
}
