#include "platform/linux/DesktopNamedWindow.h"

#include "platform/linux/KeysLogging.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <optional>

namespace {

struct DesktopEntry {
    QString startupWMClass;
    QHash<QString, QString> names; // under their keys: "Name", "Name[fr]"…
    bool isApplication = false;
    bool isHidden = false; // "deleted": it also hides the entries of that name further down the dirs
};

// A value with the desktop entry's escapes (\s, \n, \t, \r, \\) undone.
QString unescaped(const QString& value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != u'\\' || i + 1 == value.size()) {
            text += value.at(i);
            continue;
        }
        const QChar next = value.at(++i);
        text += next == u's' ? QChar(u' ')
            : next == u'n'   ? QChar(u'\n')
            : next == u't'   ? QChar(u'\t')
            : next == u'r'   ? QChar(u'\r')
                             : next;
    }
    return text;
}

// The keys of the [Desktop Entry] group that name a program.
std::optional<DesktopEntry> readEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(lcKeys) << "Cannot read the desktop entry" << path << ":" << file.errorString();
        return std::nullopt;
    }
    DesktopEntry entry;
    bool isMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            if (isMainGroup)
                break; // the actions' groups carry names of their own
            isMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!isMainGroup || line.startsWith(u'#') || equals < 0)
            continue;
        const QString key = line.first(equals).trimmed();
        const QString value = unescaped(line.sliced(equals + 1).trimmed());
        if (key == u"StartupWMClass")
            entry.startupWMClass = value;
        else if (key == u"Type")
            entry.isApplication = value == u"Application";
        else if (key == u"Hidden")
            entry.isHidden = value == u"true";
        else if (key == u"Name" || key.startsWith(u"Name["))
            entry.names.insert(key, value);
    }
    return entry;
}

// How well an entry matches a window's class: by its StartupWMClass, its whole file name, or the file name's last
// part (reverse-domain names); lower is better.
std::optional<int> matchRank(const QString& id, const DesktopEntry& entry, const QString& program)
{
    if (!entry.startupWMClass.isEmpty() && entry.startupWMClass.compare(program, Qt::CaseInsensitive) == 0)
        return 0;
    if (id.compare(program, Qt::CaseInsensitive) == 0)
        return 1;
    if (id.sliced(id.lastIndexOf(u'.') + 1).compare(program, Qt::CaseInsensitive) == 0)
        return 2;
    return std::nullopt;
}

}

DesktopNamedWindow::DesktopNamedWindow(
    std::unique_ptr<FocusedWindow> backend, QStringList applicationDirs, QString locale)
    : m_backend(std::move(backend))
    , m_applicationDirs(std::move(applicationDirs))
{
    // "fr_FR.UTF-8@euro" looks for Name[fr_FR], then Name[fr]: the encoding and modifier never name a translation.
    for (const char16_t mark : { u'.', u'@' }) {
        if (const qsizetype at = locale.indexOf(mark); at >= 0)
            locale.truncate(at);
    }
    if (!locale.isEmpty())
        m_nameKeys << QStringLiteral("Name[%1]").arg(locale);
    if (const qsizetype underscore = locale.indexOf(u'_'); underscore > 0)
        m_nameKeys << QStringLiteral("Name[%1]").arg(locale.first(underscore));
    m_nameKeys << QStringLiteral("Name");
    connect(m_backend.get(), &FocusedWindow::changed, this, &FocusedWindow::changed);
}

QStringList DesktopNamedWindow::applicationDirsFromEnvironment()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList dirs { dataHome + QStringLiteral("/applications") };
    for (const QString& dir : dataDirs.split(u':', Qt::SkipEmptyParts))
        dirs << dir + QStringLiteral("/applications");
    return dirs;
}

KeyTarget DesktopNamedWindow::current()
{
    KeyTarget target = m_backend->current();
    if (target.state == KeyTarget::State::program)
        target.name = nameOf(target.program);
    return target;
}

QString DesktopNamedWindow::nameOf(const QString& program)
{
    if (const auto known = m_names.constFind(program); known != m_names.constEnd())
        return *known;
    std::optional<int> bestRank;
    QString name;
    QSet<QString> seenIds;
    for (const QString& dir : m_applicationDirs) {
        QDirIterator files(dir, { QStringLiteral("*.desktop") }, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext() && bestRank != 0) {
            const QString path = files.next();
            // The desktop file id: its path under the dir, with "-" for "/", without ".desktop".
            QString id = QDir(dir).relativeFilePath(path).replace(u'/', u'-');
            id.chop(int(std::size(".desktop")) - 1);
            if (seenIds.contains(id))
                continue;
            seenIds.insert(id);
            const std::optional<DesktopEntry> entry = readEntry(path);
            if (!entry || !entry->isApplication || entry->isHidden)
                continue;
            const std::optional<int> rank = matchRank(id, *entry, program);
            if (!rank || (bestRank && *bestRank <= *rank))
                continue;
            for (const QString& key : m_nameKeys) {
                if (const auto found = entry->names.constFind(key); found != entry->names.constEnd()) {
                    bestRank = rank;
                    name = *found;
                    break;
                }
            }
        }
    }
    m_names.insert(program, name);
    return name;
}
