#pragma once

#include "transport/HostPolicy.h"

#include <QByteArrayView>
#include <optional>

// A request is answered once its bytes are complete, or when this many are in, whichever comes first.
constexpr qsizetype maximumRequestSize = 65536;

// A request as read from its bytes, in one pass: what it asks for, and the headers its answer depends on. Its views
// point into the bytes it was read from.
struct HttpRequest {
    // Matched on exact, case-sensitive prefixes of the request ("GET /next ", blank included, so "GET /next?x" or
    // "GET /nextslide" move no slide). The prefixes are ASCII, so matching a valid UTF-8 request's bytes matches its
    // text.
    enum class Target {
        ping,
        page,
        next,
        previous,
        blackScreen,
        first,
        last,
        pendingText,
        sendText,
        keyTarget,
        join,
        clock,
        unknown
    };
    Target target;
    BrowserMarks marks;
    std::optional<QByteArrayView> acceptLanguage;
    // What a phone presents while only invited phones may connect: its key, or the invitation it scanned, and its
    // browser.
    std::optional<QByteArrayView> key;
    std::optional<QByteArrayView> invitation;
    std::optional<QByteArrayView> userAgent;
    // The remote page's tap: when, on the desktop's clock, the page shows it as failed.
    std::optional<QByteArrayView> deadline;
    // Everything after the end of the head ("\r\n\r\n"), whatever the headers say; none when the head never ended.
    std::optional<QByteArrayView> body;
};

// The request, once the head has ended and, when it gives a Content-Length, its whole body is in; or whatever came
// when no more will (isFinal: the client ended its side, the cap or the deadline was reached). Until then, none.
std::optional<HttpRequest> parseHttpRequest(QByteArrayView bytes, bool isFinal);
