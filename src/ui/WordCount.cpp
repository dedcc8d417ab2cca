#include "WordCount.h"

qsizetype countWords(const QString& text)
{
    qsizetype count = 0;
    bool pieceHasWord = false;
    for (const QChar c : text) {
        if (c == u' ') {
            pieceHasWord = false;
        } else if (!pieceHasWord && !c.isSpace()) {
            pieceHasWord = true;
            ++count;
        }
    }
    return count;
}
