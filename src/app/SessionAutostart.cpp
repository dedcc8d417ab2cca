#include "SessionAutostart.h"

#include "AppLogging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString SessionAutostart::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/org.quorvelantis.Remote.desktop");
}

bool SessionAutostart::isEnabled() const { return QFileInfo::exists(entryPath()); }

bool SessionAutostart::setEnabled(bool enabled)
{
    const QString path = entryPath();
    if (!enabled) {
        QFile entry(path);
        if (!entry.exists() || entry.remove())
            return true;
        qCWarning(lcApp, "Cannot remove the autostart entry %s: %s", qPrintable(path), qPrintable(entry.errorString()));
        return false;
    }
    QDir().mkpath(QFileInfo(path).path());
    // The binary that runs now, quoted as the desktop entry format asks for a path with blanks or quotes.
    QString binary = QCoreApplication::applicationFilePath();
    binary.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'$', QStringLiteral("\\$"));
    const QByteArray text
        = "[Desktop Entry]\nType=Application\nName=Quorvelantis Remote\nIcon=org.quorvelantis.Remote\n"
          "Exec=\""
        + binary.toUtf8() + "\" --hidden\nX-GNOME-Autostart-enabled=true\n";
    QFile entry(path);
    if (entry.open(QIODevice::WriteOnly | QIODevice::Truncate) && entry.write(text) == text.size() && entry.flush())
        return true;
    qCWarning(lcApp, "Cannot write the autostart entry %s: %s", qPrintable(path), qPrintable(entry.errorString()));
    return false;
}
