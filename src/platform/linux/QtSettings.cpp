#include "QtSettings.h"

#include <QLoggingCategory>
#include <QSettings>

namespace {

Q_LOGGING_CATEGORY(lcSettings, "quorvelantis.settings")

void store(QSettings& settings)
{
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcSettings).noquote() << "Cannot write the settings to" << settings.fileName();
}

} // namespace

qint64 QtSettings::integer(const QString& key) const
{
    // A value that is not an integer reads as absent.
    bool isInteger = false;
    const qint64 value = QSettings().value(key).toLongLong(&isInteger);
    return isInteger ? value : 0;
}

void QtSettings::setInteger(const QString& key, qint64 value)
{
    QSettings settings;
    settings.setValue(key, value);
    store(settings);
}

QString QtSettings::text(const QString& key) const { return QSettings().value(key).toString(); }

void QtSettings::setText(const QString& key, const QString& value)
{
    QSettings settings;
    if (value.isEmpty())
        settings.remove(key);
    else
        settings.setValue(key, value);
    store(settings);
}
