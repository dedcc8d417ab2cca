#pragma once

#include <QDir>

inline qsizetype openDescriptorCount() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size(); }
