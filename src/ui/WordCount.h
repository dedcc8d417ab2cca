#pragma once

#include <QString>

// Words are the non-empty pieces between plain spaces (U+0020); line breaks and tabs do not separate words.
qsizetype countWords(const QString& text);
