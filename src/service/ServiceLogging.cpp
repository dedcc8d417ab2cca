#include "ServiceLogging.h"

// Debug output, which carries what a hostile network sends, only when asked for (QT_LOGGING_RULES).
Q_LOGGING_CATEGORY(lcService, "quorvelantis.service", QtInfoMsg)
