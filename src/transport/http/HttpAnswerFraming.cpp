#include "HttpAnswerFraming.h"

#include "transport/PhoneJson.h"

QByteArray frameAnswer(QByteArrayView status, QByteArrayView contentType, QByteArrayView body)
{
    const QByteArray length = QByteArray::number(body.size());
    QByteArray frame;
    frame.reserve(80 + status.size() + length.size() + body.size());
    frame.append("HTTP/1.1 ")
        .append(status)
        .append("\r\nContent-Length: ")
        .append(length)
        .append("\r\nConnection: close\r\nContent-Type: ")
        .append(contentType)
        .append("\r\n\r\n")
        .append(body);
    return frame;
}

QByteArray framePhoneAnswer(const PhoneAnswer& answer)
{
    using Kind = PhoneAnswer::Kind;
    // Answers without a detail are framed once: a clicker's every press gets the same bytes.
    static const QByteArray commandDone = frameAnswer("200 OK", "text/plain", "ok");
    static const QByteArray noPendingText = frameAnswer("204 No Content", "text/plain", "{}");
    static const QByteArray textAccepted = frameAnswer("200 OK", "text/plain", "sent");
    switch (answer.kind) {
    case Kind::commandDone:
        break;
    case Kind::commandNotPressed:
        return fixedAnswer(FixedAnswer::notPressed);
    case Kind::pendingText:
        return frameAnswer("200 OK", "application/json", encodeTextPayload(answer.text));
    case Kind::noPendingText:
        return noPendingText;
    case Kind::textAccepted:
        return textAccepted;
    case Kind::textRefused:
        return frameAnswer("503 Service Unavailable", "text/plain", answer.reason.toUtf8());
    case Kind::keyTarget:
        return frameAnswer("200 OK", "application/json", keyTargetJson(answer.target, answer.programName));
    case Kind::joined:
        return frameAnswer("200 OK", "text/plain", answer.key);
    case Kind::notInvited:
        return fixedAnswer(FixedAnswer::forbidden);
    }
    return commandDone;
}

const QByteArray& fixedAnswer(FixedAnswer which)
{
    static const QByteArray answers[] = {
        frameAnswer("200 OK", "text/plain", "pong"),
        frameAnswer("400 Bad Request", "text/plain", "bad request"),
        frameAnswer("403 Forbidden", "text/plain", "forbidden"),
        frameAnswer("404 Not Found", "text/plain", "unknown command"),
        frameAnswer("400 Bad Request", "text/plain", "missing body"),
        frameAnswer("400 Bad Request", "text/plain", "invalid json"),
        frameAnswer("503 Service Unavailable", "text/plain", "not pressed"),
    };
    return answers[int(which)];
}
