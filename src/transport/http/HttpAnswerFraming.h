#pragma once

#include "platform/HttpListener.h"

#include <QByteArray>

// The answer's bytes on the wire: status line, exactly three headers in a fixed order, then the body.
QByteArray frameAnswer(const HttpAnswer& answer);

// The two answers the server gives without asking the service.
HttpAnswer pongAnswer();
HttpAnswer badRequestAnswer();
