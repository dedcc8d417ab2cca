#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QList>

// A browser marks what a page makes it send with Origin, Sec-Fetch-Site and the Host it looked up; the phone's own
// requests carry none of these, so they pass untouched.

// The DNS names this machine answers to, lower case, found once: a name outside them may be an attacker's, rebound
// to this machine.
struct OwnHostNames {
    // "localhost" and the host name.
    QList<QByteArray> names;
    // Every name under these is taken for this machine's, each with its leading dot: ".local", which no one outside
    // the network can answer for, and the local network's own domains, those of the resolver's search list, which
    // also hold the machine's fully qualified name.
    QList<QByteArray> domains;
};

OwnHostNames ownHostNames();
// The machine's addresses at the moment, without their scope.
QList<QHostAddress> ownAddresses();

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

// True when a WebSocket handshake's Origin is absent (not a browser) or names this machine, by one of its names or
// addresses, with one of its ports, whatever the scheme: the remote page's own, and what client libraries send
// naming the endpoint they connect to ("http://127.0.0.1:4778", "ws://desk.local:4778").
bool isOwnOrigin(QByteArrayView origin, const OwnHostNames& ownNames, const QList<QHostAddress>& ownAddresses,
    const QList<quint16>& ports);
