#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QList>
#include <optional>

// Who may connect, the same for HTTP requests and WebSocket handshakes: the names and addresses this machine goes by.

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

// The host of a Host header or of an Origin's authority: what precedes the port, brackets and all for IPv6.
QByteArrayView hostOf(QByteArrayView host);
// An IP literal, as browsers send it: dotted digits, or an IPv6 address in brackets.
bool isAddressLiteral(QByteArrayView host);
// One of the machine's names, or a name under one of its domains.
bool isOwnName(QByteArrayView name, const OwnHostNames& ownNames);

// True when a WebSocket handshake's Origin is absent (not a browser) or names this machine, by one of its names or
// addresses, with one of its ports, whatever the scheme: the remote page's own, and what client libraries send
// naming the endpoint they connect to ("http://127.0.0.1:4778", "ws://desk.local:4778").
bool isOwnOrigin(QByteArrayView origin, const OwnHostNames& ownNames, const QList<QHostAddress>& ownAddresses,
    const QList<quint16>& ports);

// What a browser marks a request with: the Host it looked up, the Origin of the page that made it send the request,
// and Sec-Fetch-Site. The phone app's own requests carry none of these.
struct BrowserMarks {
    std::optional<QByteArrayView> host;
    std::optional<QByteArrayView> origin;
    std::optional<QByteArrayView> fetchSite;
};

enum class RequestSource {
    ownPage, // the phone, the page served here, or the address bar
    foreignPage, // another page, as the browser marks it
    foreignName, // a Host that is a DNS name outside the machine's own
};

// Where an HTTP request comes from: an Origin other than "http://" + its Host, or a fetch marked cross-site or
// same-site, is a foreign page's.
RequestSource requestSource(const BrowserMarks& marks, const OwnHostNames& ownNames);

// Two secrets are the same, found in a time that does not depend on where they differ.
bool isSameSecret(QByteArrayView presented, QByteArrayView known);

// The WebSocket subprotocol a page names to get its phone's session, beside its key: a page can set no other header
// on a handshake.
inline constexpr QByteArrayView pageSubprotocol = "quorvelantis";
// A handshake's head once it has ended (an empty view until then), and the key among the subprotocols it offers,
// none when it offers none but the page's own.
QByteArrayView handshakeHead(QByteArrayView bytes);
std::optional<QByteArrayView> subprotocolKey(QByteArrayView head);
