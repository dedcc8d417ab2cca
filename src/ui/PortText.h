#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Reads a port field: optional sign, then ASCII digits only, 0 to 65535, "-" only with 0, leading zeros allowed.
std::optional<quint16> parsePortText(const QString& text);
