#include "ForeignNamePage.h"

#include "HttpAnswerFraming.h"

namespace {

// The remote page's own choice: the first of the browser's languages, by weight, that it speaks; English otherwise.
bool prefersFrench(std::optional<QByteArrayView> acceptLanguage)
{
    double bestWeight = 0;
    bool isFrench = false;
    for (const QByteArray& entry : acceptLanguage.value_or("").toByteArray().split(',')) {
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

QByteArray foreignNameAnswer(std::optional<QByteArrayView> acceptLanguage, QByteArrayView address, quint16 port)
{
    const bool isEnglish = !prefersFrench(acceptLanguage);
    const QByteArray url = "http://" + address.toByteArray() + ":" + QByteArray::number(port) + "/";
    const QByteArray page = QByteArray("<!DOCTYPE html>\n<html lang=\"") + (isEnglish ? "en" : "fr")
        + "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
          "<title>Quorvelantis Remote</title></head>\n<body><p>"
        + (isEnglish ? "Quorvelantis Remote does not answer to this name. Open this address instead:"
                     : "Quorvelantis Remote ne répond pas à ce nom. Ouvrez plutôt cette adresse :")
        + "</p>\n<p><a href=\"" + url + "\">" + url + "</a></p></body></html>\n";
    return frameAnswer("403 Forbidden", "text/html; charset=utf-8", page);
}
