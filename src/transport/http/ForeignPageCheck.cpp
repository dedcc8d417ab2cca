#include "ForeignPageCheck.h"

#include "HttpAnswerFraming.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <array>
#include <cstring>
#include <optional>
#include <resolv.h>
#include <utility>

namespace {

// The trimmed values of the first headers of these names in a request's head, matched case-insensitively, found in
// one pass. The head ends at the first empty line: a body may say anything.
template <std::size_t count>
std::array<std::optional<QByteArrayView>, count> headerValues(
    QByteArrayView request, const std::array<QByteArrayView, count>& names)
{
    std::array<std::optional<QByteArrayView>, count> values;
    if (request.isEmpty())
        return values;
    const char* const end = request.data() + request.size();
    // Past the request line.
    const char* line = static_cast<const char*>(std::memchr(request.data(), '\n', request.size()));
    while (line) {
        ++line;
        const char* const next = static_cast<const char*>(std::memchr(line, '\n', end - line));
        QByteArrayView text(line, (next ? next : end) - line);
        if (text.endsWith('\r'))
            text.chop(1);
        if (text.isEmpty())
            break;
        for (std::size_t index = 0; index < count; ++index) {
            const QByteArrayView name = names[index];
            if (!values[index] && text.size() > name.size() && text[name.size()] == ':'
                && text.first(name.size()).compare(name, Qt::CaseInsensitive) == 0)
                values[index] = text.sliced(name.size() + 1).trimmed();
        }
        line = next;
    }
    return values;
}

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

// The remote page's own choice: the first of the browser's languages, by weight, that it speaks; French otherwise.
bool prefersEnglish(QByteArrayView request)
{
    static constexpr std::array<QByteArrayView, 1> names { "Accept-Language" };
    double bestWeight = 0;
    bool isEnglish = false;
    for (const QByteArray& entry : headerValues(request, names)[0].value_or("").toByteArray().split(',')) {
        const QList<QByteArray> parts = entry.split(';');
        const QByteArray code = parts.first().trimmed().left(2);
        double weight = 1;
        for (const QByteArray& parameter : parts.sliced(1)) {
            if (parameter.trimmed().startsWith("q="))
                weight = parameter.trimmed().sliced(2).toDouble();
        }
        const bool isFrench = code.compare("fr", Qt::CaseInsensitive) == 0;
        if ((isFrench || code.compare("en", Qt::CaseInsensitive) == 0) && weight > bestWeight) {
            bestWeight = weight;
            isEnglish = !isFrench;
        }
    }
    return isEnglish;
}

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

RequestSource requestSource(QByteArrayView request, const OwnHostNames& ownNames)
{
    static constexpr std::array<QByteArrayView, 3> names { "Sec-Fetch-Site", "Host", "Origin" };
    const auto [site, host, origin] = headerValues(request, names);
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

QByteArray foreignNameAnswer(QByteArrayView request, QByteArrayView address, quint16 port)
{
    const bool isEnglish = prefersEnglish(request);
    const QByteArray url = "http://" + address.toByteArray() + ":" + QByteArray::number(port) + "/";
    const QByteArray page = QByteArray("<!DOCTYPE html>\n<html lang=\"") + (isEnglish ? "en" : "fr")
        + "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
          "<title>Quorvelantis Remote</title></head>\n<body><p>"
        + (isEnglish ? "Quorvelantis Remote does not answer to this name. Open this address instead:"
                     : "Quorvelantis Remote ne répond pas à ce nom. Ouvrez plutôt cette adresse :")
        + "</p>\n<p><a href=\"" + url + "\">" + url + "</a></p></body></html>\n";
    return frameAnswer("403 Forbidden", "text/html; charset=utf-8", page);
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
