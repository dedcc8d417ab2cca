#include "HostPolicy.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <array>
#include <resolv.h>
#include <utility>

// The host of a Host header or of an Origin's authority: what precedes the port, brackets and all for IPv6.
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

bool isOwnName(QByteArrayView name, const OwnHostNames& ownNames)
{
    // A name typed with its final dot is the same name.
    if (name.endsWith('.'))
        name.chop(1);
    for (const QByteArray& own : ownNames.names) {
        if (name.compare(own, Qt::CaseInsensitive) == 0)
            return true;
    }
    for (const QByteArray& domain : ownNames.domains) {
        if (name.size() > domain.size() && name.last(domain.size()).compare(domain, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

OwnHostNames ownHostNames()
{
    OwnHostNames own { { "localhost", QHostInfo::localHostName().toUtf8().toLower() }, { ".local" } };
    const auto addDomain = [&own](QByteArrayView domain) {
        const QByteArray suffix = "." + domain.toByteArray().toLower();
        if (suffix.size() > 1 && !own.domains.contains(suffix))
            own.domains.append(suffix);
    };
    addDomain(QHostInfo::localDomainName().toUtf8());
    // The rest of the search list, as the resolver reads it: resolv.conf's search or domain, or LOCALDOMAIN.
    struct __res_state resolver { };
    if (res_ninit(&resolver) == 0) {
        for (int index = 0; index < MAXDNSRCH && resolver.dnsrch[index]; ++index)
            addDomain(resolver.dnsrch[index]);
        res_nclose(&resolver);
    }
    return own;
}

QList<QHostAddress> ownAddresses()
{
    QList<QHostAddress> addresses = QNetworkInterface::allAddresses();
    for (QHostAddress& address : addresses)
        address.setScopeId({});
    return addresses;
}

bool isOwnOrigin(QByteArrayView origin, const OwnHostNames& ownNames, const QList<QHostAddress>& ownAddresses,
    const QList<quint16>& ports)
{
    if (origin.isEmpty())
        return true;
    static constexpr std::array<std::pair<QByteArrayView, quint16>, 4> schemes { {
        { "http://", 80 },
        { "https://", 443 },
        { "ws://", 80 },
        { "wss://", 443 },
    } };
    for (const auto& [scheme, defaultPort] : schemes) {
        if (origin.size() <= scheme.size() || origin.first(scheme.size()).compare(scheme, Qt::CaseInsensitive) != 0)
            continue;
        // An origin is scheme, host and port only: anything after them is no origin.
        const QByteArrayView authority = origin.sliced(scheme.size());
        const QByteArrayView host = hostOf(authority);
        bool isPort = host.size() == authority.size();
        quint16 port = defaultPort;
        if (!isPort && authority.at(host.size()) == ':')
            port = authority.sliced(host.size() + 1).toUShort(&isPort);
        if (host.isEmpty() || !isPort || !ports.contains(port) || authority.contains('/'))
            return false;
        if (!isAddressLiteral(host))
            return isOwnName(host, ownNames);
        const QHostAddress address(QString::fromLatin1(host.startsWith('[') ? host.sliced(1, host.size() - 2) : host));
        return !address.isNull() && ownAddresses.contains(address);
    }
    return false;
}

RequestSource requestSource(const BrowserMarks& marks, const OwnHostNames& ownNames)
{
    const auto& [host, origin, site] = marks;
    // Only a page's own requests, and the address bar's ("none"), may act.
    if (site && (*site == "cross-site" || *site == "same-site"))
        return RequestSource::foreignPage;
    if (host) {
        const QByteArrayView name = hostOf(*host);
        if (!isAddressLiteral(name) && !isOwnName(name, ownNames))
            return RequestSource::foreignName;
    }
    if (origin && (!host || origin->compare("http://" + host->toByteArray(), Qt::CaseInsensitive) != 0))
        return RequestSource::foreignPage;
    return RequestSource::ownPage;
}

bool isSameSecret(QByteArrayView presented, QByteArrayView known)
{
    // The length of a key is no secret; its bytes are all read whatever the first difference.
    if (presented.size() != known.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype index = 0; index < known.size(); ++index)
        difference |= static_cast<unsigned char>(presented[index] ^ known[index]);
    return difference == 0;
}

QByteArrayView handshakeHead(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    return end < 0 ? QByteArrayView() : bytes.first(end + 2);
}

std::optional<QByteArrayView> subprotocolKey(QByteArrayView head)
{
    constexpr QByteArrayView name = "Sec-WebSocket-Protocol:";
    for (qsizetype start = head.indexOf("\r\n") + 2; start > 1 && start < head.size();) {
        const qsizetype end = head.indexOf("\r\n", start);
        const QByteArrayView line = head.sliced(start, (end < 0 ? head.size() : end) - start);
        start = end + 2;
        if (line.size() < name.size() || line.first(name.size()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QByteArrayView offered = line.sliced(name.size());
        while (!offered.isEmpty()) {
            const qsizetype comma = offered.indexOf(',');
            const QByteArrayView protocol = (comma < 0 ? offered : offered.first(comma)).trimmed();
            offered = comma < 0 ? QByteArrayView() : offered.sliced(comma + 1);
            if (!protocol.isEmpty() && protocol != pageSubprotocol)
                return protocol;
        }
    }
    return std::nullopt;
}
