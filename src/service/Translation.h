#pragma once

#include <QStringList>

class QCoreApplication;

// The texts are written in French; English replaces them when the user's first language is English.
// Returns whether the English translation was installed.
bool installTranslation(QCoreApplication& app, const QStringList& preferredLanguages);
// The same for the languages the session prefers (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
bool installTranslation(QCoreApplication& app);
