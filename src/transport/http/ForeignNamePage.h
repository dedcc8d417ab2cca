#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// The answer to "GET / " under a foreign name: a short page, in the browser's language (given by its Accept-Language),
// that links to the address the request came in on instead.
QByteArray foreignNameAnswer(std::optional<QByteArrayView> acceptLanguage, QByteArrayView address, quint16 port);
