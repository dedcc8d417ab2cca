#pragma once

#include "platform/FocusedWindow.h"

#include <QString>

// The program as the window and the page name it: the desktop's own name for it, else its class or app id as a person
// reads it ("libreoffice-impress" is "Libreoffice Impress", "org.gnome.Evince" is "Evince").
QString programName(const KeyTarget& target);
