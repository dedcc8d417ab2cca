#include "WebRemotePage.h"

#include "HttpAnswerFraming.h"

#include <QFile>

QByteArray webRemotePageAnswer(quint16 peerPort)
{
    QFile page(QStringLiteral(":/webremote/remote.html"));
    page.open(QIODevice::ReadOnly);
    // The page reads the port from its body element, so it can reach the session on the host it was served from.
    const QByteArray html = page.readAll().replace("@PEER_PORT@", QByteArray::number(peerPort));
    return frameAnswer("200 OK", "text/html; charset=utf-8", html);
}
