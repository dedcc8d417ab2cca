#include "PortText.h"

std::optional<quint16> parsePortText(const QString& text)
{
    qsizetype i = 0;
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        i = 1;
    if (i == text.size())
        return std::nullopt;
    quint32 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 65535)
            return std::nullopt;
    }
    if (negative && value != 0)
        return std::nullopt;
    return quint16(value);
}
