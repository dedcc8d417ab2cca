#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// A browser marks what a page makes it send with Origin, Sec-Fetch-Site and the Host it looked up; the phone's own
// requests carry none of these, so they pass untouched.

// The names this machine answers to in an address bar, lower case: "localhost" and its host names.
QList<QByteArray> ownHostNames();
// ownHostNames() and the machine's addresses as an Origin writes them (IPv6 in brackets).
QList<QByteArray> ownHosts();

// True when an HTTP request's head comes from a page other than the one served here: an Origin other than
// "http://" + its Host, a Host that is a name outside ownNames (a DNS name rebound to this machine), or a fetch
// marked cross-site or same-site.
bool isForeignPageRequest(QByteArrayView request, const QList<QByteArray>& ownNames);

// True when a WebSocket handshake's Origin is absent (not a browser) or is the remote page's own:
// "http://<one of hosts>:<pagePort>".
bool isOwnPageOrigin(QByteArrayView origin, const QList<QByteArray>& hosts, quint16 pagePort);
