#pragma once

#include <QColor>
#include <QString>

// Builds a colour from a hexadecimal string such as "B94435", "#ABC" or "80FF0000" (alpha first); any string whose
// trimmed length is not 3, 6 or 8 user-perceived characters gives opaque black. Never fails.
QColor colorFromHex(const QString& hex);
