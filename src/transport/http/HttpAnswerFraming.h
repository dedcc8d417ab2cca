#pragma once

#include "platform/HttpListener.h"

#include <QByteArray>
#include <QByteArrayView>

// An answer's bytes on the wire: status line, exactly three headers in a fixed order, then the body.
QByteArray frameAnswer(QByteArrayView status, QByteArrayView contentType, QByteArrayView body);

// The HTTP answer that tells the client the service's outcome.
QByteArray frameOutcome(const HttpOutcome& outcome);

// The answer to a request with no bytes, or bytes that are not UTF-8.
const QByteArray& badRequestAnswer();

// The answer to a request that a foreign web page made a browser send.
const QByteArray& forbiddenAnswer();
