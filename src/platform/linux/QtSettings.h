#pragma once

#include "platform/Settings.h"

// The application's QSettings (organisation and application names set by main).
class QtSettings : public Settings {
public:
    qint64 integer(const QString& key) const override;
    void setInteger(const QString& key, qint64 value) override;
    QString text(const QString& key) const override;
    void setText(const QString& key, const QString& value) override;
};
