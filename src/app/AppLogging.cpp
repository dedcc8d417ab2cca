#include "AppLogging.h"

Q_LOGGING_CATEGORY(lcApp, "quorvelantis.app", QtInfoMsg)
