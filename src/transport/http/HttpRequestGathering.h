#pragma once

#include <QByteArrayView>

// A request is routed once its bytes are complete, or when this many are in, whichever comes first.
constexpr qsizetype maximumRequestSize = 65536;

// True once the head has ended ("\r\n\r\n") and, when the head gives a Content-Length, its whole body is in.
bool isRequestComplete(QByteArrayView bytes);
