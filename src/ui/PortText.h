#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Reads a port field: optional sign, then ASCII digits only, 0 to 65535, "-" only with 0, leading zeros allowed.
std::optional<quint16> parsePortText(const QString& text);

// The port the HTTP server uses for a stored setting: the stored value when it is 1 or more, otherwise 4777.
qint64 effectivePort(qint64 stored);
