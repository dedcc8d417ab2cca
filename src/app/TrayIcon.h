#pragma once

#include "SessionAutostart.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class MacRemoteService;
class QWindow;

// The icon in the desktop's system tray: whether a phone is connected, "Afficher la fenêtre", "Lancer à l'ouverture de
// session" and "Quitter". While a
// tray exists, closing the window only hides it and the app goes on serving; without one, closing quits.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    // Both must outlive the tray icon.
    TrayIcon(const MacRemoteService& service, QWindow& window);

    // Shows the window again and brings it to the front.
    void showWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showConnection(bool isConnected);

    QWindow& m_window;
    QIcon m_connectedIcon;
    QIcon m_waitingIcon;
    SessionAutostart m_autostart;
    QMenu m_menu;
    QSystemTrayIcon m_icon;
};
