#include "TrayMenu.h"

#include <QDBusMetaType>
#include <QGuiApplication>

namespace {
bool wanted(const QStringList& names, const QString& name) { return names.isEmpty() || names.contains(name); }
} // namespace

void TrayMenu::registerTypes()
{
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItemProperties>();
    qDBusRegisterMetaType<QList<DBusMenuItemProperties>>();
    qDBusRegisterMetaType<DBusMenuRemovedProperties>();
    qDBusRegisterMetaType<QList<DBusMenuRemovedProperties>>();
}

void TrayMenu::addEntry(const QString& label, std::function<void()> onClicked, std::function<bool()> checked)
{
    m_entries.push_back({ label, std::move(onClicked), std::move(checked) });
}

QString TrayMenu::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

QVariantMap TrayMenu::propertiesOf(int id, const QStringList& names)
{
    QVariantMap properties;
    if (id == 0) {
        if (wanted(names, QStringLiteral("children-display")))
            properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return properties;
    }
    Entry& entry = m_entries[id - 1];
    if (wanted(names, QStringLiteral("label")))
        properties.insert(QStringLiteral("label"), entry.label);
    if (entry.checked) {
        entry.shownChecked = entry.checked();
        if (wanted(names, QStringLiteral("toggle-type")))
            properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        if (wanted(names, QStringLiteral("toggle-state")))
            properties.insert(QStringLiteral("toggle-state"), entry.shownChecked ? 1 : 0);
    }
    return properties;
}

uint TrayMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, DBusMenuLayout& layout)
{
    // The items never change, only their check marks: one revision for the menu's life.
    constexpr uint revision = 1;
    layout = { parentId, {}, {} };
    if (parentId < 0 || parentId > int(m_entries.size()))
        return revision;
    layout.properties = propertiesOf(parentId, propertyNames);
    if (parentId == 0 && recursionDepth != 0) {
        for (int id = 1; id <= int(m_entries.size()); ++id)
            layout.children.append(QVariant::fromValue(
                QDBusVariant(QVariant::fromValue(DBusMenuLayout { id, propertiesOf(id, propertyNames), {} }))));
    }
    return revision;
}

QList<DBusMenuItemProperties> TrayMenu::GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
{
    QList<DBusMenuItemProperties> items;
    for (int id : ids) {
        if (id >= 0 && id <= int(m_entries.size()))
            items.append({ id, propertiesOf(id, propertyNames) });
    }
    return items;
}

QDBusVariant TrayMenu::GetProperty(int id, const QString& name)
{
    if (id < 0 || id > int(m_entries.size()))
        return {};
    return QDBusVariant(propertiesOf(id, { name }).value(name));
}

void TrayMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (eventId != QLatin1String("clicked") || id < 1 || id > int(m_entries.size()))
        return;
    m_entries[id - 1].onClicked();
    refreshChecks();
}

bool TrayMenu::AboutToShow(int) { return refreshChecks(); }

bool TrayMenu::refreshChecks()
{
    QList<DBusMenuItemProperties> changed;
    for (int id = 1; id <= int(m_entries.size()); ++id) {
        const Entry& entry = m_entries[id - 1];
        if (entry.checked && entry.checked() != entry.shownChecked)
            changed.append({ id, propertiesOf(id, { QStringLiteral("toggle-state") }) });
    }
    if (changed.isEmpty())
        return false;
    Q_EMIT ItemsPropertiesUpdated(changed, {});
    return true;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout)
{
    argument.beginStructure();
    argument << layout.id << layout.properties;
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const QVariant& child : layout.children)
        argument << child.value<QDBusVariant>();
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout)
{
    argument.beginStructure();
    argument >> layout.id >> layout.properties;
    layout.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        layout.children.append(QVariant::fromValue(child));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuRemovedProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuRemovedProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.names;
    argument.endStructure();
    return argument;
}
