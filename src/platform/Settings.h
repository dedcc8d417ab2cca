#pragma once

#include <QString>
#include <QtGlobal>

// Persistent settings; an absent key reads as 0 or as the empty text.
class Settings {
public:
    virtual ~Settings() = default;
    virtual qint64 integer(const QString& key) const = 0;
    virtual void setInteger(const QString& key, qint64 value) = 0;
    virtual QString text(const QString& key) const = 0;
    // An empty text removes the key.
    virtual void setText(const QString& key, const QString& value) = 0;
};
