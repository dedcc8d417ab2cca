#pragma once

#include "platform/FocusedWindow.h"

#include <QByteArray>
#include <QString>

// "unknown", "nothing", "ownWindow" or "program".
QString rawValue(KeyTarget::State state);

// A program's class or app id as a person reads it: "libreoffice-impress" is "Libreoffice Impress",
// "org.gnome.Evince" is "Evince".
QString readableProgramName(const QString& program);

// The answer to the page's question: {"state":"program","program":"evince","name":"Evince"}.
QByteArray keyTargetJson(const KeyTarget& target);
