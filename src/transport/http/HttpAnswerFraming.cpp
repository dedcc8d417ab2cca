#include "HttpAnswerFraming.h"

QByteArray frameAnswer(const HttpAnswer& answer)
{
    // A JSON answer always carries a delivered text, so its status is always "200 OK".
    const QByteArrayView status = answer.isJson ? QByteArrayView("200 OK") : QByteArrayView(answer.status);
    const QByteArrayView contentType = answer.isJson ? "application/json" : "text/plain";
    const QByteArray length = QByteArray::number(answer.body.size());
    QByteArray frame;
    frame.reserve(80 + status.size() + length.size() + answer.body.size());
    frame.append("HTTP/1.1 ")
        .append(status)
        .append("\r\nContent-Length: ")
        .append(length)
        .append("\r\nConnection: close\r\nContent-Type: ")
        .append(contentType)
        .append("\r\n\r\n")
        .append(answer.body);
    return frame;
}

HttpAnswer pongAnswer() { return { "200 OK", false, "pong" }; }

HttpAnswer badRequestAnswer() { return { "400 Bad Request", false, "bad request" }; }
