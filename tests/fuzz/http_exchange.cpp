// One HTTP connection as the server handles it, fed an arbitrary byte stream in arbitrary pieces: gathering until
// the request is complete, 65,536 bytes are in or the client ends; routing; the real service's answer on fake
// platform seams; framing. The first byte says how many of the next bytes give piece sizes (0 = all the rest) and
// whether a text is pending; the rest is what the client sends.

#include "FakePlatform.h"
#include "FuzzCheck.h"
#include "transport/http/HttpAnswerFraming.h"
#include "transport/http/HttpRequestGathering.h"
#include "transport/http/HttpRouting.h"

#include <cstdint>
#include <vector>

namespace {

// What the server routes: the bytes gathered until the request is complete or the cap is reached, or all of
// them once the client has ended its side. A piece larger than the room left is cut, as one read would be.
QByteArray gathered(QByteArrayView stream, const std::vector<qsizetype>& pieceSizes)
{
    QByteArray request;
    qsizetype offset = 0;
    for (std::size_t index = 0; offset < stream.size(); ++index) {
        const qsizetype wanted = pieceSizes.empty() ? stream.size() : pieceSizes[index % pieceSizes.size()];
        const qsizetype room = maximumRequestSize - request.size();
        const qsizetype length = std::min({ wanted, room, stream.size() - offset });
        request.append(stream.sliced(offset, length));
        offset += length;
        if (request.size() == maximumRequestSize || isRequestComplete(request))
            break;
    }
    return request;
}

// Splits a frame into status, the three header values and the body; false when it is not framed as it must be.
bool readFrame(const QByteArray& frame, QByteArray& status, QByteArray& contentType, QByteArray& body)
{
    const qsizetype headEnd = frame.indexOf("\r\n\r\n");
    if (!frame.startsWith("HTTP/1.1 ") || headEnd < 0)
        return false;
    const QList<QByteArray> lines = frame.first(headEnd).split('\n');
    if (lines.size() != 4)
        return false;
    for (qsizetype index = 0; index < 3; ++index) {
        if (!lines[index].endsWith('\r'))
            return false;
    }
    status = lines[0].sliced(9).chopped(1);
    const QByteArray lengthLine = lines[1].chopped(1);
    contentType = lines[3];
    body = frame.sliced(headEnd + 4);
    return lengthLine == "Content-Length: " + QByteArray::number(body.size()) && lines[2] == "Connection: close\r"
        && contentType.startsWith("Content-Type: ");
}

// The outcomes each route may have.
bool fitsRoute(HttpRoute route, HttpOutcome::Kind kind)
{
    using Kind = HttpOutcome::Kind;
    switch (route) {
    case HttpRoute::next:
    case HttpRoute::previous:
        return kind == Kind::commandDone || kind == Kind::pendingText;
    case HttpRoute::pendingText:
        return kind == Kind::noPendingText || kind == Kind::pendingText;
    case HttpRoute::sendText:
        return kind == Kind::textAccepted || kind == Kind::missingBody || kind == Kind::invalidJson
            || kind == Kind::emptyText;
    case HttpRoute::unknown:
        break;
    }
    return kind == Kind::unknown;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t sizeCount = std::min<std::size_t>(data[0] & 7, size - 1);
    const bool textPending = data[0] & 8;
    std::vector<qsizetype> pieceSizes;
    for (std::size_t index = 1; index <= sizeCount; ++index)
        pieceSizes.push_back(data[index] == 0 ? maximumRequestSize : qsizetype(data[index]));
    const QByteArrayView stream(reinterpret_cast<const char*>(data + 1 + sizeCount), qsizetype(size - 1 - sizeCount));

    const QByteArray request = gathered(stream, pieceSizes);
    FUZZ_CHECK(stream.startsWith(request));
    // However the stream was cut, a complete request stays complete as more of it arrives.
    if (isRequestComplete(request))
        FUZZ_CHECK(isRequestComplete(stream.first(std::min(stream.size(), maximumRequestSize))));

    FakePlatform fake;
    MacRemoteService service(fake.platform());
    if (textPending)
        service.sendText(QStringLiteral("T"), QStringLiteral("pending"));
    const qint64 commandsBefore = service.commandCount();

    QByteArray frame;
    std::optional<HttpOutcome> outcome;
    if (request.isEmpty() || !request.isValidUtf8()) {
        frame = badRequestAnswer();
    } else if (const QByteArray* fixed = fixedAnswerFor(request)) {
        frame = *fixed;
    } else {
        const HttpRoute route = routeFor(request);
        // Cutting the stream elsewhere never changes where a readable request goes.
        const QByteArray whole = gathered(stream, {});
        if (!whole.isEmpty() && whole.isValidUtf8())
            FUZZ_CHECK(routeFor(whole) == route && !fixedAnswerFor(whole));
        outcome = fake.httpListeners.current()->callbacks.answerRoutes({ { route, bodyAfterHead(request) } }).at(0);
        FUZZ_CHECK(fitsRoute(route, outcome->kind));
        const bool isCommand = route == HttpRoute::next || route == HttpRoute::previous;
        FUZZ_CHECK(service.commandCount() == commandsBefore + (isCommand ? 1 : 0));
        frame = frameOutcome(*outcome);
    }
    QByteArray status, contentType, body;
    FUZZ_CHECK(readFrame(frame, status, contentType, body));
    if (outcome) {
        FUZZ_CHECK(outcome->detail.isEmpty() || body == outcome->detail);
        FUZZ_CHECK(
            (outcome->kind == HttpOutcome::Kind::pendingText) == (contentType == "Content-Type: application/json"));
    }
    return 0;
}
