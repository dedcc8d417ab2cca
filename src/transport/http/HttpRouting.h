#pragma once

#include "platform/HttpListener.h"

#include <QByteArrayView>

// The route of a request, from its first bytes: exact, case-sensitive prefixes tried in a fixed order.
// The request must be valid UTF-8; its prefixes are ASCII, so matching its bytes matches its text.
HttpRoute routeFor(QByteArrayView request);
