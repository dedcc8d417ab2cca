#include "ColorFromHex.h"

#include <QStringView>
#include <QTextBoundaryFinder>
#include <limits>

namespace {

// Letters, marks and numbers: what Foundation's alphanumeric character set holds.
bool isAlphanumeric(char32_t c) { return QChar::isLetterOrNumber(c) || QChar::isMark(c); }

bool isSurrogatePair(QStringView text, qsizetype high)
{
    return high + 1 < text.size() && text[high].isHighSurrogate() && text[high + 1].isLowSurrogate();
}

QStringView trimNonAlphanumerics(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end) {
        const bool pair = isSurrogatePair(text, begin);
        const char32_t c = pair ? QChar::surrogateToUcs4(text[begin], text[begin + 1]) : text[begin].unicode();
        if (isAlphanumeric(c))
            break;
        begin += pair ? 2 : 1;
    }
    while (end > begin) {
        const bool pair = end - begin >= 2 && isSurrogatePair(text, end - 2);
        const char32_t c = pair ? QChar::surrogateToUcs4(text[end - 2], text[end - 1]) : text[end - 1].unicode();
        if (isAlphanumeric(c))
            break;
        end -= pair ? 2 : 1;
    }
    return text.mid(begin, end - begin);
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads the longest hexadecimal number at the start, the way a Foundation scanner does: white space skipped, an
// optional 0x prefix, saturating at the largest value, 0 when no digit is found.
quint64 scanHexPrefix(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')
        && hexDigitValue(text[i + 2]) >= 0)
        i += 2;
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0)
            break;
        if (value > (std::numeric_limits<quint64>::max() >> 4))
            value = std::numeric_limits<quint64>::max();
        else
            value = (value << 4) | quint64(digit);
    }
    return value;
}

qsizetype graphemeCount(QStringView text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

} // namespace

QColor colorFromHex(const QString& hex)
{
    const QStringView trimmed = trimNonAlphanumerics(hex);
    const quint64 value = scanHexPrefix(trimmed);
    int red = 0, green = 0, blue = 0, alpha = 255;
    switch (graphemeCount(trimmed)) {
    case 3:
        red = int(value >> 8) * 17;
        green = int(((value >> 4) & 15) * 17);
        blue = int((value & 15) * 17);
        break;
    case 6:
        red = int((value >> 16) & 255);
        green = int((value >> 8) & 255);
        blue = int(value & 255);
        break;
    case 8:
        alpha = int((value >> 24) & 255);
        red = int((value >> 16) & 255);
        green = int((value >> 8) & 255);
        blue = int(value & 255);
        break;
    default:
        break;
    }
    return QColor(red, green, blue, alpha);
}
