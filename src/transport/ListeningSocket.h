#pragma once

#include <QtGlobal>

// A non-blocking listening TCP socket on every address of both families at port; -1 with errno set when the port
// cannot be had.
int openListeningSocket(quint16 port);
