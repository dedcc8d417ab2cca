#pragma once

#include <QHostAddress>
#include <QTcpServer>

// A TCP port that nothing listens on at the moment of the call.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}
