#pragma once

#include "transport/HostPolicy.h"

#include <QByteArray>
#include <QByteArrayView>

// A browser marks what a page makes it send with Origin, Sec-Fetch-Site and the Host it looked up; the phone's own
// requests carry none of these, so they pass untouched.

enum class RequestSource {
    ownPage, // the phone, the page served here, or the address bar
    foreignPage, // another page, as the browser marks it
    foreignName, // a Host that is a DNS name outside the machine's own
};

// Where an HTTP request's head comes from: an Origin other than "http://" + its Host, or a fetch marked cross-site or
// same-site, is a foreign page's.
RequestSource requestSource(QByteArrayView request, const OwnHostNames& ownNames);

// The answer to "GET / " under a foreign name: a short page, in the browser's language, that links to the address
// the request came in on instead.
QByteArray foreignNameAnswer(QByteArrayView request, QByteArrayView address, quint16 port);
