#include "HttpRouting.h"

#include <array>
#include <utility>

HttpRoute routeFor(QByteArrayView request)
{
    // The trailing blanks belong to the prefixes: "GET /next?x" or "GET /nextslide" must not move a slide.
    static constexpr std::array<std::pair<QByteArrayView, HttpRoute>, 7> prefixes { {
        { "GET /next ", HttpRoute::next },
        { "POST /next ", HttpRoute::next },
        { "GET /prev ", HttpRoute::previous },
        { "POST /prev ", HttpRoute::previous },
        { "GET /ping", HttpRoute::ping },
        { "GET /pendingtext", HttpRoute::pendingText },
        { "POST /sendtext ", HttpRoute::sendText },
    } };
    for (const auto& [prefix, route] : prefixes) {
        if (request.startsWith(prefix))
            return route;
    }
    return HttpRoute::unknown;
}
