#pragma once

#include <QString>

// A program's class or app id as a person reads it: "libreoffice-impress" is "Libreoffice Impress",
// "org.gnome.Evince" is "Evince".
QString readableProgramName(const QString& program);
