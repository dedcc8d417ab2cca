#include "QSettingsIntegerSettings.h"

#include <QSettings>

qint64 QSettingsIntegerSettings::integer(const QString& key) const
{
    // A value that is not an integer reads as absent.
    bool isInteger = false;
    const qint64 value = QSettings().value(key).toLongLong(&isInteger);
    return isInteger ? value : 0;
}

void QSettingsIntegerSettings::setInteger(const QString& key, qint64 value)
{
    QSettings settings;
    settings.setValue(key, value);
    settings.sync();
}
