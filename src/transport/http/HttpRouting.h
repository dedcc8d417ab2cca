#pragma once

#include "platform/HttpListener.h"

#include <QByteArray>
#include <QByteArrayView>

// Routes match exact, case-sensitive prefixes of the request. The request must be valid UTF-8; the prefixes are
// ASCII, so matching its bytes matches its text.

// The answer of a route that reads no state ("GET /ping", and "GET / ", the remote page given as pageAnswer), written
// at once from the network thread; null when the service must answer.
const QByteArray* fixedAnswerFor(QByteArrayView request, const QByteArray& pageAnswer);

// "GET / ": the remote page.
bool isPageRequest(QByteArrayView request);

// The route by which the service answers a request, tried in a fixed order.
HttpRoute routeFor(QByteArrayView request);
