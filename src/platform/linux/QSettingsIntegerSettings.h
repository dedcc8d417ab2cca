#pragma once

#include "platform/IntegerSettings.h"

// Integers in the application's QSettings (organisation and application names set by main).
class QSettingsIntegerSettings : public IntegerSettings {
public:
    qint64 integer(const QString& key) const override;
    void setInteger(const QString& key, qint64 value) override;
};
