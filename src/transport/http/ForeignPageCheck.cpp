#include "ForeignPageCheck.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <optional>

namespace {

// The trimmed value of the first header of that name in the head, matched case-insensitively.
std::optional<QByteArrayView> headerValue(QByteArrayView head, QByteArrayView name)
{
    qsizetype lineStart = head.indexOf("\r\n");
    while (lineStart >= 0) {
        lineStart += 2;
        const qsizetype nextLine = head.indexOf("\r\n", lineStart);
        const QByteArrayView line = head.sliced(lineStart, (nextLine < 0 ? head.size() : nextLine) - lineStart);
        if (line.size() > name.size() && line.at(name.size()) == ':'
            && line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0)
            return line.sliced(name.size() + 1).trimmed();
        lineStart = nextLine;
    }
    return std::nullopt;
}

// The host of a Host header: what precedes the port, brackets and all for IPv6.
QByteArrayView hostOf(QByteArrayView host)
{
    if (host.startsWith('['))
        return host.first(host.indexOf(']') + 1);
    const qsizetype colon = host.lastIndexOf(':');
    return colon < 0 ? host : host.first(colon);
}

// An IP literal, as browsers send it: dotted digits, or an IPv6 address in brackets. Telling it from a DNS name needs
// no parse: no top-level domain is all digits, and a name never holds a colon.
bool isAddressLiteral(QByteArrayView host)
{
    const bool isBracketed = host.size() > 2 && host.startsWith('[') && host.endsWith(']');
    const QByteArrayView bare = isBracketed ? host.sliced(1, host.size() - 2) : host;
    if (bare.isEmpty())
        return false;
    for (const char character : bare) {
        const bool isDigitOrDot = (character >= '0' && character <= '9') || character == '.';
        const bool isHexOrColon
            = (character >= 'a' && character <= 'f') || (character >= 'A' && character <= 'F') || character == ':';
        if (!isDigitOrDot && !(isBracketed && isHexOrColon))
            return false;
    }
    return true;
}

bool isAddressOrOwnName(QByteArrayView host, const QList<QByteArray>& ownNames)
{
    return isAddressLiteral(host) || ownNames.contains(host.toByteArray().toLower());
}

}

QList<QByteArray> ownHostNames()
{
    const QByteArray name = QHostInfo::localHostName().toUtf8().toLower();
    return { "localhost", name, name + ".local" };
}

QList<QByteArray> ownHosts()
{
    QList<QByteArray> hosts = ownHostNames();
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        QHostAddress bare = address;
        bare.setScopeId({});
        const QByteArray text = bare.toString().toLatin1().toLower();
        hosts.append(bare.protocol() == QAbstractSocket::IPv6Protocol ? "[" + text + "]" : text);
    }
    return hosts;
}

bool isForeignPageRequest(QByteArrayView request, const QList<QByteArray>& ownNames)
{
    const qsizetype headEnd = request.indexOf("\r\n\r\n");
    const QByteArrayView head = headEnd < 0 ? request : request.first(headEnd);
    // Only a page's own requests, and the address bar's ("none"), may act.
    const auto site = headerValue(head, "Sec-Fetch-Site");
    if (site && (*site == "cross-site" || *site == "same-site"))
        return true;
    const auto host = headerValue(head, "Host");
    if (host && !isAddressOrOwnName(hostOf(*host), ownNames))
        return true;
    const auto origin = headerValue(head, "Origin");
    return origin && (!host || origin->compare("http://" + host->toByteArray(), Qt::CaseInsensitive) != 0);
}

bool isOwnPageOrigin(QByteArrayView origin, const QList<QByteArray>& hosts, quint16 pagePort)
{
    if (origin.isEmpty())
        return true;
    const QByteArray lower = origin.toByteArray().toLower();
    const QByteArray port = ":" + QByteArray::number(pagePort);
    if (pagePort == 0 || !lower.startsWith("http://") || !lower.endsWith(port))
        return false;
    return hosts.contains(lower.sliced(7, lower.size() - 7 - port.size()));
}
