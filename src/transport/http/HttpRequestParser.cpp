#include "HttpRequestParser.h"

#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr QByteArrayView headEnd = "\r\n\r\n";

HttpRequest::Target targetOf(QByteArrayView bytes)
{
    using Target = HttpRequest::Target;
    static constexpr std::array<std::pair<QByteArrayView, Target>, 17> prefixes { {
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
        { "GET /clock ", Target::clock },
    } };
    for (const auto& [prefix, target] : prefixes) {
        if (bytes.startsWith(prefix))
            return target;
    }
    return Target::unknown;
}

// Where the header of this name goes, or null for a header nothing reads. Names never hold a colon, so the line's
// first colon ends its name; comparing only names of that length keeps the lookup to one comparison.
std::optional<QByteArrayView>* slotFor(
    QByteArrayView name, HttpRequest& request, std::optional<QByteArrayView>& contentLength)
{
    const auto is = [name](QByteArrayView known) { return name.compare(known, Qt::CaseInsensitive) == 0; };
    switch (name.size()) {
    case 4:
        return is("Host") ? &request.marks.host : nullptr;
    case 6:
        return is("Origin") ? &request.marks.origin : nullptr;
    case 10:
        return is("User-Agent") ? &request.userAgent : nullptr;
    case 14:
        return is("Content-Length") ? &contentLength : is("Sec-Fetch-Site") ? &request.marks.fetchSite : nullptr;
    case 15:
        return is("Accept-Language") ? &request.acceptLanguage : nullptr;
    case 18:
        return is("X-Quorvelantis-Key") ? &request.key : nullptr;
    case 23:
        return is("X-Quorvelantis-Deadline") ? &request.deadline : nullptr;
    case 25:
        return is("X-Quorvelantis-Invitation") ? &request.invitation : nullptr;
    }
    return nullptr;
}

}

std::optional<HttpRequest> parseHttpRequest(QByteArrayView bytes, bool isFinal)
{
    // memmem, rather than a general search, for the one short needle every request is scanned for.
    const auto* found = bytes.isEmpty()
        ? nullptr
        : static_cast<const char*>(memmem(bytes.data(), bytes.size(), headEnd.data(), headEnd.size()));
    const qsizetype headLength = found ? found - bytes.data() : -1;
    if (headLength < 0 && !isFinal)
        return std::nullopt;
    HttpRequest request { targetOf(bytes), {}, {}, {}, {}, {}, {}, {} };
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
        // The first header of each name counts.
        if (const auto* colon = static_cast<const char*>(std::memchr(text.data(), ':', text.size()))) {
            std::optional<QByteArrayView>* slot = slotFor(text.first(colon - text.data()), request, contentLength);
            if (slot && !*slot)
                *slot = text.sliced(colon - text.data() + 1).trimmed();
        }
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
