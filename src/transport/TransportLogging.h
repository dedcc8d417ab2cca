#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcHttp)
Q_DECLARE_LOGGING_CATEGORY(lcPeer)
