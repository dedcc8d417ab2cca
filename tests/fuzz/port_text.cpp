// The port field's parse rule on arbitrary text, as UTF-8 or (first byte odd) as raw UTF-16, against an
// independent reading: an optional sign, ASCII digits only, 0 to 65535, a minus only before zero. Every port
// written in decimal reads back as itself.

#include "FuzzCheck.h"
#include "ui/PortText.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstring>

namespace {

std::optional<quint16> expectedPort(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([+-]?)0*([0-9]*)\\z"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch() || text == QLatin1String("+") || text == QLatin1String("-") || text.isEmpty())
        return std::nullopt;
    const QString significant = match.captured(2);
    if (significant.size() > 5)
        return std::nullopt;
    const uint value = significant.isEmpty() ? 0 : significant.toUInt();
    if (value > 65535 || (match.captured(1) == QLatin1String("-") && value != 0))
        return std::nullopt;
    return quint16(value);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = textFrom(data, size);
    FUZZ_CHECK(parsePortText(text) == expectedPort(text));
    if (size >= 2) {
        const quint16 port = quint16(data[0] | (data[1] << 8));
        FUZZ_CHECK(parsePortText(QString::number(port)) == port);
    }
    if (size >= 8) {
        qint64 stored = 0;
        std::memcpy(&stored, data, sizeof stored);
        FUZZ_CHECK(effectivePort(stored) == (stored >= 1 ? stored : 4777));
    }
    return 0;
}
