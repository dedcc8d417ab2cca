#pragma once

#include <QString>

// Words are the pieces between plain spaces (U+0020); line breaks and tabs do not separate words. A piece made only
// of other white space (a lone line break) is no word, so a blank text counts 0.
qsizetype countWords(const QString& text);

// The sections of a script: the non-blank pieces between lines made only of "---"; 0 for a text without such a line.
qsizetype countSections(const QString& text);
