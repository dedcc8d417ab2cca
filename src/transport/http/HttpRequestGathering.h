#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// A request is routed once its bytes are complete, or when this many are in, whichever comes first.
constexpr qsizetype maximumRequestSize = 65536;

// True once the head has ended ("\r\n\r\n") and, when the head gives a Content-Length, its whole body is in.
bool isRequestComplete(QByteArrayView bytes);

// Everything after the end of the head, whatever the headers say; empty when the head never ended.
std::optional<QByteArray> bodyAfterHead(QByteArrayView request);
