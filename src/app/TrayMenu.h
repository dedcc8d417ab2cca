#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <vector>

// One item and, below the root, none: a layout node as com.canonical.dbusmenu sends it, (ia{sv}av).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QVariantList children; // each a DBusMenuLayout in a QDBusVariant
};
Q_DECLARE_METATYPE(DBusMenuLayout)

// The properties of one item, (ia{sv}), as GetGroupProperties and ItemsPropertiesUpdated send them.
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(DBusMenuItemProperties)

// Property names an item no longer has, (ias).
struct DBusMenuRemovedProperties {
    int id = 0;
    QStringList names;
};
Q_DECLARE_METATYPE(DBusMenuRemovedProperties)

// The tray's menu, served over D-Bus as com.canonical.dbusmenu for the desktop's tray host to draw: a flat list of
// entries, some with a check mark.
class TrayMenu : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version CONSTANT)
    Q_PROPERTY(QString TextDirection READ textDirection CONSTANT)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath CONSTANT)

public:
    static inline const QString objectPath = QStringLiteral("/MenuBar");

    // Registers the D-Bus types; once per process, before the menu is served.
    static void registerTypes();

    // Adds an entry; with `checked`, the entry shows a check mark as that function tells.
    void addEntry(const QString& label, std::function<void()> onClicked, std::function<bool()> checked = {});

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    Q_SCRIPTABLE uint GetLayout(
        int parentId, int recursionDepth, const QStringList& propertyNames, DBusMenuLayout& layout);
    Q_SCRIPTABLE QList<DBusMenuItemProperties> GetGroupProperties(
        const QList<int>& ids, const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    // The host asks before it shows the menu: true when a check mark changed since it last read the layout.
    Q_SCRIPTABLE bool AboutToShow(int id);

Q_SIGNALS:
    Q_SCRIPTABLE void ItemsPropertiesUpdated(
        const QList<DBusMenuItemProperties>& updatedProps, const QList<DBusMenuRemovedProperties>& removedProps);
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);

private:
    struct Entry {
        QString label;
        std::function<void()> onClicked;
        std::function<bool()> checked;
        bool shownChecked = false; // as the host last read it
    };

    QVariantMap propertiesOf(int id, const QStringList& names);
    // Tells the host of check marks that changed outside the menu.
    bool refreshChecks();

    std::vector<Entry> m_entries; // item ids are 1 + the index; 0 is the root
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuRemovedProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuRemovedProperties& item);
