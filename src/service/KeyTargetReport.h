#pragma once

#include "platform/FocusedWindow.h"

#include <QByteArray>
#include <QString>

// "unknown", "nothing", "ownWindow" or "program".
QString rawValue(KeyTarget::State state);

// The program as the window and the page name it: the desktop's own name for it, else its class or app id as a person
// reads it ("libreoffice-impress" is "Libreoffice Impress", "org.gnome.Evince" is "Evince").
QString programName(const KeyTarget& target);

// The answer to the page's question: {"state":"program","program":"evince","name":"Document Viewer"}.
QByteArray keyTargetJson(const KeyTarget& target);
