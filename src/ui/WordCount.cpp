#include "WordCount.h"

qsizetype countWords(const QString& text)
{
    qsizetype count = 0;
    bool inWord = false;
    for (const QChar c : text) {
        const bool isSpace = c == u' ';
        if (!isSpace && !inWord)
            ++count;
        inWord = !isSpace;
    }
    return count;
}
