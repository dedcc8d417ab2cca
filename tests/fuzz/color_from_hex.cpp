// colorFromHex on arbitrary text, as UTF-8 or (first byte odd) as raw UTF-16 with lone surrogates: always a valid
// colour, and plain hexadecimal colours of 3, 6 or 8 digits read as written.

#include "FuzzCheck.h"
#include "ui/ColorFromHex.h"

#include <QRegularExpression>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = textFrom(data, size);
    const QColor color = colorFromHex(text);
    FUZZ_CHECK(color.isValid());
    FUZZ_CHECK(colorFromHex(text) == color);

    static const QRegularExpression plainHex(QStringLiteral("^#?([0-9A-Fa-f]{3}|[0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})\\z"));
    const QRegularExpressionMatch match = plainHex.match(text);
    if (!match.hasMatch())
        return 0;
    const QString digits = match.captured(1);
    const quint32 value = digits.toUInt(nullptr, 16);
    if (digits.size() == 3) {
        FUZZ_CHECK(color == QColor(int(value >> 8) * 17, int((value >> 4) & 15) * 17, int(value & 15) * 17));
    } else if (digits.size() == 6) {
        FUZZ_CHECK(color == QColor(int(value >> 16), int((value >> 8) & 255), int(value & 255)));
    } else {
        FUZZ_CHECK(
            color == QColor(int((value >> 16) & 255), int((value >> 8) & 255), int(value & 255), int(value >> 24)));
    }
    return 0;
}
