#include "HttpAnswerFraming.h"

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

QByteArray frameOutcome(const HttpOutcome& outcome)
{
    using Kind = HttpOutcome::Kind;
    // Answers without a detail are framed once: a clicker's every press gets the same bytes.
    static const QByteArray commandDone = frameAnswer("200 OK", "text/plain", "ok");
    static const QByteArray noPendingText = frameAnswer("204 No Content", "text/plain", "{}");
    static const QByteArray textAccepted = frameAnswer("200 OK", "text/plain", "sent");
    static const QByteArray missingBody = frameAnswer("400 Bad Request", "text/plain", "missing body");
    static const QByteArray invalidJson = frameAnswer("400 Bad Request", "text/plain", "invalid json");
    static const QByteArray unknown = frameAnswer("404 Not Found", "text/plain", "unknown command");
    switch (outcome.kind) {
    case Kind::commandDone:
        return commandDone;
    case Kind::pendingText:
    case Kind::keyTarget:
        return frameAnswer("200 OK", "application/json", outcome.detail);
    case Kind::noPendingText:
        return noPendingText;
    case Kind::textAccepted:
        return textAccepted;
    case Kind::missingBody:
        return missingBody;
    case Kind::invalidJson:
        return invalidJson;
    case Kind::emptyText:
        return frameAnswer("503 Service Unavailable", "text/plain", outcome.detail);
    case Kind::unknown:
        break;
    }
    return unknown;
}

const QByteArray& badRequestAnswer()
{
    static const QByteArray answer = frameAnswer("400 Bad Request", "text/plain", "bad request");
    return answer;
}

const QByteArray& forbiddenAnswer()
{
    static const QByteArray answer = frameAnswer("403 Forbidden", "text/plain", "forbidden");
    return answer;
}
