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

void checkAnswerFitsRoute(HttpRoute route, const HttpAnswer& answer)
{
    const bool plain = !answer.isJson;
    switch (route) {
    case HttpRoute::next:
    case HttpRoute::previous:
        FUZZ_CHECK(answer.isJson || (answer.status == "200 OK" && answer.body == "ok"));
        break;
    case HttpRoute::ping:
        FUZZ_CHECK(plain && answer.status == "200 OK" && answer.body == "pong");
        break;
    case HttpRoute::pendingText:
        FUZZ_CHECK(answer.isJson || (answer.status == "204 No Content" && answer.body == "{}"));
        break;
    case HttpRoute::sendText:
        FUZZ_CHECK(plain);
        FUZZ_CHECK((answer.status == "200 OK" && answer.body == "sent")
            || (answer.status == "400 Bad Request" && (answer.body == "missing body" || answer.body == "invalid json"))
            || (answer.status == "503 Service Unavailable" && answer.body == "Texte vide"));
        break;
    case HttpRoute::unknown:
        FUZZ_CHECK(plain && answer.status == "404 Not Found" && answer.body == "unknown command");
        break;
    }
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

    HttpAnswer answer;
    if (request.isEmpty() || !request.isValidUtf8()) {
        answer = badRequestAnswer();
    } else {
        const HttpRoute route = routeFor(request);
        // Cutting the stream elsewhere never changes where a readable request goes.
        const QByteArray whole = gathered(stream, {});
        if (!whole.isEmpty() && whole.isValidUtf8())
            FUZZ_CHECK(routeFor(whole) == route);
        answer = route == HttpRoute::ping
            ? pongAnswer()
            : fake.httpListeners.current()->callbacks.answerRoutes({ { route, QString::fromUtf8(request) } }).at(0);
        checkAnswerFitsRoute(route, answer);
        const bool isCommand = route == HttpRoute::next || route == HttpRoute::previous;
        FUZZ_CHECK(service.commandCount() == commandsBefore + (isCommand ? 1 : 0));
    }

    QByteArray status, contentType, body;
    FUZZ_CHECK(readFrame(frameAnswer(answer), status, contentType, body));
    FUZZ_CHECK(body == answer.body);
    if (answer.isJson)
        FUZZ_CHECK(status == "200 OK" && contentType == "Content-Type: application/json");
    else
        FUZZ_CHECK(status == answer.status && contentType == "Content-Type: text/plain");
    return 0;
}
