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
    switch (outcome.kind) {
    case Kind::commandDone:
        return frameAnswer("200 OK", "text/plain", "ok");
    case Kind::pendingText:
    case Kind::keyTarget:
        return frameAnswer("200 OK", "application/json", outcome.detail);
    case Kind::noPendingText:
        return frameAnswer("204 No Content", "text/plain", "{}");
    case Kind::textAccepted:
        return frameAnswer("200 OK", "text/plain", "sent");
    case Kind::missingBody:
        return frameAnswer("400 Bad Request", "text/plain", "missing body");
    case Kind::invalidJson:
        return frameAnswer("400 Bad Request", "text/plain", "invalid json");
    case Kind::emptyText:
        return frameAnswer("503 Service Unavailable", "text/plain", outcome.detail);
    case Kind::unknown:
        break;
    }
    return frameAnswer("404 Not Found", "text/plain", "unknown command");
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
