#include "ForeignPageCheck.h"

#include "HttpAnswerFraming.h"

#include <array>
#include <cstring>
#include <optional>
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

// The remote page's own choice: the first of the browser's languages, by weight, that it speaks; English otherwise.
bool prefersFrench(QByteArrayView request)
{
    static constexpr std::array<QByteArrayView, 1> names { "Accept-Language" };
    double bestWeight = 0;
    bool isFrench = false;
    for (const QByteArray& entry : headerValues(request, names)[0].value_or("").toByteArray().split(',')) {
        const QList<QByteArray> parts = entry.split(';');
        const QByteArray code = parts.first().trimmed().left(2);
        double weight = 1;
        for (const QByteArray& parameter : parts.sliced(1)) {
            if (parameter.trimmed().startsWith("q="))
                weight = parameter.trimmed().sliced(2).toDouble();
        }
        const bool isFrenchCode = code.compare("fr", Qt::CaseInsensitive) == 0;
        if ((isFrenchCode || code.compare("en", Qt::CaseInsensitive) == 0) && weight > bestWeight) {
            bestWeight = weight;
            isFrench = isFrenchCode;
        }
    }
    return isFrench;
}

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
    const bool isEnglish = !prefersFrench(request);
    const QByteArray url = "http://" + address.toByteArray() + ":" + QByteArray::number(port) + "/";
    const QByteArray page = QByteArray("<!DOCTYPE html>\n<html lang=\"") + (isEnglish ? "en" : "fr")
        + "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
          "<title>Quorvelantis Remote</title></head>\n<body><p>"
        + (isEnglish ? "Quorvelantis Remote does not answer to this name. Open this address instead:"
                     : "Quorvelantis Remote ne répond pas à ce nom. Ouvrez plutôt cette adresse :")
        + "</p>\n<p><a href=\"" + url + "\">" + url + "</a></p></body></html>\n";
    return frameAnswer("403 Forbidden", "text/html; charset=utf-8", page);
}
