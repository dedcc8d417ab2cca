#pragma once

#include <QByteArray>
#include <QtGlobal>

// The whole answer to "GET / ": the phone's remote page, told the port of the peer link's WebSocket sessions
// (0: none, the page then speaks HTTP only).
QByteArray webRemotePageAnswer(quint16 peerPort);
