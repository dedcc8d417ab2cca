#include "WordCount.h"

#include <QStringList>

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

qsizetype countSections(const QString& text)
{
    const QStringList lines = text.split(u'\n');
    if (!lines.contains(QStringLiteral("---")) && !lines.contains(QStringLiteral("---\r")))
        return 0;
    qsizetype count = 0;
    bool pieceHasText = false;
    for (const QString& line : lines) {
        if (line == u"---" || line == u"---\r") {
            pieceHasText = false;
        } else if (!pieceHasText && !line.trimmed().isEmpty()) {
            pieceHasText = true;
            ++count;
        }
    }
    return count;
}
