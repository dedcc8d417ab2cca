#pragma once

#include <QString>
#include <QtGlobal>

// Persistent integer settings; an absent key reads as 0.
class IntegerSettings {
public:
    virtual ~IntegerSettings() = default;
    virtual qint64 integer(const QString& key) const = 0;
    virtual void setInteger(const QString& key, qint64 value) = 0;
};
