#pragma once

#include "platform/PhoneRequest.h"

#include <QByteArray>
#include <QByteArrayView>

// An answer's bytes on the wire: status line, exactly three headers in a fixed order, then the body.
QByteArray frameAnswer(QByteArrayView status, QByteArrayView contentType, QByteArrayView body);

// The HTTP answer that tells the phone the desktop's answer.
QByteArray framePhoneAnswer(const PhoneAnswer& answer);

// Answers the server gives without asking the desktop, framed once.
enum class FixedAnswer {
    pong, // "GET /ping"
    badRequest, // no bytes, or bytes that are not UTF-8
    forbidden, // a request that a foreign web page made a browser send, or one without a valid key
    unknownCommand,
    missingBody, // a posted text whose head never ended
    invalidJson, // a posted text that is no {"title","text"} object
    notPressed, // a page's tap that came after its deadline, or whose key could not be pressed before it
};
const QByteArray& fixedAnswer(FixedAnswer which);
