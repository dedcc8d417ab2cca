#pragma once

#include "SessionAutostart.h"
#include "TrayMenu.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QObject>

class MacRemoteService;
class WindowLoader;

// One picture of the icon, (iiay): ARGB32 pixels in network byte order.
struct TrayPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
Q_DECLARE_METATYPE(TrayPixmap)

// The tool tip, (sa(iiay)ss): icon name, pictures, title, description.
struct TrayToolTip {
    QString iconName;
    QList<TrayPixmap> pixmaps;
    QString title;
    QString description;
};
Q_DECLARE_METATYPE(TrayToolTip)

// The icon in the desktop's tray, served over the session bus as a StatusNotifierItem (org.kde.StatusNotifierItem at
// /StatusNotifierItem, its menu at /MenuBar) and registered with the desktop's StatusNotifierWatcher: whether a phone
// is connected, "Afficher la fenêtre", "Lancer à l'ouverture de session" and "Quitter". While a tray host draws it,
// closing the window only hides it and the app goes on serving; without one, closing quits.
class TrayIcon : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category CONSTANT)
    Q_PROPERTY(QString Id READ id CONSTANT)
    Q_PROPERTY(QString Title READ title CONSTANT)
    Q_PROPERTY(QString Status READ status CONSTANT)
    Q_PROPERTY(QList<TrayPixmap> IconPixmap READ iconPixmap NOTIFY NewIcon)
    Q_PROPERTY(TrayToolTip ToolTip READ toolTip NOTIFY NewToolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu CONSTANT)
    Q_PROPERTY(QDBusObjectPath Menu READ menu CONSTANT)

public:
    // Both must outlive the tray icon.
    TrayIcon(const MacRemoteService& service, WindowLoader& window);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("org.quorvelantis.Remote"); }
    QString title() const;
    QString status() const { return QStringLiteral("Active"); }
    QList<TrayPixmap> iconPixmap();
    TrayToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(TrayMenu::objectPath); }

public Q_SLOTS:
    // A click on the icon.
    Q_SCRIPTABLE void Activate(int x, int y);

Q_SIGNALS:
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewToolTip();

private Q_SLOTS:
    void registerWithWatcher();
    void readHostPresence();

private:
    void showConnection(bool isConnected);
    void setHostPresent(bool present);

    const MacRemoteService& m_service;
    WindowLoader& m_window;
    SessionAutostart m_autostart;
    TrayMenu m_menu;
    QDBusServiceWatcher m_watcherPresence;
    // Drawn when a host first asks, once per state.
    QList<TrayPixmap> m_connectedPixmaps;
    QList<TrayPixmap> m_waitingPixmaps;
};

QDBusArgument& operator<<(QDBusArgument& argument, const TrayPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, TrayPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const TrayToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, TrayToolTip& toolTip);
