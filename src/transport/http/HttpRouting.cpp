#include "HttpRouting.h"

#include "HttpAnswerFraming.h"

#include <array>
#include <utility>

namespace {

constexpr QByteArrayView pagePrefix = "GET / ";

}

bool isPageRequest(QByteArrayView request) { return request.startsWith(pagePrefix); }

const QByteArray* fixedAnswerFor(QByteArrayView request, const QByteArray& pageAnswer)
{
    static const QByteArray pong = frameAnswer("200 OK", "text/plain", "pong");
    // No prefix here begins one of routeFor's, so trying these first keeps the order of the whole table.
    const std::array<std::pair<QByteArrayView, const QByteArray*>, 2> fixedAnswers { {
        { "GET /ping", &pong },
        { pagePrefix, &pageAnswer },
    } };
    for (const auto& [prefix, answer] : fixedAnswers) {
        if (request.startsWith(prefix))
            return answer;
    }
    return nullptr;
}

HttpRoute routeFor(QByteArrayView request)
{
    // The trailing blanks belong to the prefixes: "GET /next?x" or "GET /nextslide" must not move a slide.
    static constexpr std::array<std::pair<QByteArrayView, HttpRoute>, 13> prefixes { {
        { "GET /next ", HttpRoute::next },
        { "POST /next ", HttpRoute::next },
        { "GET /prev ", HttpRoute::previous },
        { "POST /prev ", HttpRoute::previous },
        { "GET /black ", HttpRoute::blackScreen },
        { "POST /black ", HttpRoute::blackScreen },
        { "GET /first ", HttpRoute::first },
        { "POST /first ", HttpRoute::first },
        { "GET /last ", HttpRoute::last },
        { "POST /last ", HttpRoute::last },
        { "GET /pendingtext", HttpRoute::pendingText },
        { "POST /sendtext ", HttpRoute::sendText },
        { "GET /keytarget ", HttpRoute::keyTarget },
    } };
    for (const auto& [prefix, route] : prefixes) {
        if (request.startsWith(prefix))
            return route;
    }
    return HttpRoute::unknown;
}
