#include "HttpRequestGathering.h"

namespace {

constexpr QByteArrayView headEnd = "\r\n\r\n";
constexpr QByteArrayView lineEnd = "\r\n";
constexpr QByteArrayView contentLengthName = "content-length:";

// The body length that the head announces; 0 when it announces none or an unreadable one.
qsizetype announcedBodyLength(QByteArrayView head)
{
    qsizetype lineStart = head.indexOf(lineEnd);
    while (lineStart >= 0) {
        lineStart += lineEnd.size();
        const qsizetype nextLine = head.indexOf(lineEnd, lineStart);
        const QByteArrayView line = head.sliced(lineStart, (nextLine < 0 ? head.size() : nextLine) - lineStart);
        if (line.size() > contentLengthName.size()
            && line.first(contentLengthName.size()).compare(contentLengthName, Qt::CaseInsensitive) == 0) {
            bool isNumber = false;
            const qlonglong length = line.sliced(contentLengthName.size()).trimmed().toLongLong(&isNumber);
            // Anything beyond the cap is never waited for: the cap ends the gathering first.
            return isNumber && length > 0 ? qsizetype(qMin<qlonglong>(length, maximumRequestSize)) : 0;
        }
        lineStart = nextLine;
    }
    return 0;
}

}

bool isRequestComplete(QByteArrayView bytes)
{
    const qsizetype headLength = bytes.indexOf(headEnd);
    if (headLength < 0)
        return false;
    const qsizetype bodyStart = headLength + headEnd.size();
    return bytes.size() - bodyStart >= announcedBodyLength(bytes.first(headLength));
}

std::optional<QByteArray> bodyAfterHead(QByteArrayView request)
{
    const qsizetype headLength = request.indexOf(headEnd);
    if (headLength < 0)
        return std::nullopt;
    return request.sliced(headLength + headEnd.size()).toByteArray();
}
