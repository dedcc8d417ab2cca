#include "HttpRequestParser.h"

#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr QByteArrayView headEnd = "\r\n\r\n";

HttpRequest::Target targetOf(QByteArrayView bytes)
{
    using Target = HttpRequest::Target;
    static constexpr std::array<std::pair<QByteArrayView, Target>, 16> prefixes { {
        { "GET /ping", Target::ping },
        { "GET / ", Target::page },
        { "GET /next ", Target::next },
        { "POST /next ", Target::next },
        { "GET /prev ", Target::previous },
        { "POST /prev ", Target::previous },
        { "GET /black ", Target::blackScreen },
        { "POST /black ", Target::blackScreen },
        { "GET /first ", Target::first },
        { "POST /first ", Target::first },
        { "GET /last ", Target::last },
        { "POST /last ", Target::last },
        { "GET /pendingtext", Target::pendingText },
        { "POST /sendtext ", Target::sendText },
        { "GET /keytarget ", Target::keyTarget },
        { "POST /join ", Target::join },
    } };
    for (const auto& [prefix, target] : prefixes) {
        if (bytes.startsWith(prefix))
            return target;
    }
    return Target::unknown;
}

bool isHeader(QByteArrayView line, QByteArrayView name)
{
    return line.size() > name.size() && line[name.size()] == ':'
        && line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0;
}

// Keeps the first header of a name, trimmed.
void take(std::optional<QByteArrayView>& value, QByteArrayView line, QByteArrayView name)
{
    if (!value && isHeader(line, name))
        value = line.sliced(name.size() + 1).trimmed();
}

}

std::optional<HttpRequest> parseHttpRequest(QByteArrayView bytes, bool isFinal)
{
    const qsizetype headLength = bytes.indexOf(headEnd);
    if (headLength < 0 && !isFinal)
        return std::nullopt;
    HttpRequest request { targetOf(bytes), {}, {}, {}, {}, {}, {} };
    std::optional<QByteArrayView> contentLength;
    // Header lines follow the request line up to the first empty one: a body may say anything.
    const char* const end = bytes.data() + bytes.size();
    const char* line
        = bytes.isEmpty() ? nullptr : static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
    while (line) {
        ++line;
        const char* const next = static_cast<const char*>(std::memchr(line, '\n', end - line));
        QByteArrayView text(line, (next ? next : end) - line);
        if (text.endsWith('\r'))
            text.chop(1);
        if (text.isEmpty())
            break;
        take(request.marks.host, text, "Host");
        take(request.marks.origin, text, "Origin");
        take(request.marks.fetchSite, text, "Sec-Fetch-Site");
        take(request.acceptLanguage, text, "Accept-Language");
        take(contentLength, text, "Content-Length");
        take(request.key, text, "X-Quorvelantis-Key");
        take(request.invitation, text, "X-Quorvelantis-Invitation");
        take(request.userAgent, text, "User-Agent");
        line = next;
    }
    if (headLength < 0)
        return request;
    request.body = bytes.sliced(headLength + headEnd.size());
    bool isNumber = false;
    const qlonglong announced = contentLength ? contentLength->toLongLong(&isNumber) : 0;
    // Anything beyond the cap is never waited for: the cap ends the gathering first.
    if (!isFinal && isNumber && request.body->size() < qMin<qlonglong>(announced, maximumRequestSize))
        return std::nullopt;
    return request;
}
