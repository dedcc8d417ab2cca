#include "TransportLogging.h"

// Debug output, which carries what a hostile network sends, only when asked for (QT_LOGGING_RULES).
Q_LOGGING_CATEGORY(lcHttp, "quorvelantis.http", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPeer, "quorvelantis.peer", QtInfoMsg)
