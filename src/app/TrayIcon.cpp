#include "TrayIcon.h"

#include "service/MacRemoteService.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

TrayIcon::TrayIcon(const MacRemoteService& service, QWindow& window)
    : m_window(window)
    , m_connectedIcon(QStringLiteral(":/org.quorvelantis.Remote.svg"))
    // Greyed while no phone is connected, as the header's idle icon.
    , m_waitingIcon(m_connectedIcon.pixmap(64, QIcon::Disabled))
{
    m_menu.addAction(tr("Afficher la fenêtre"), this, &TrayIcon::showWindow);
    QAction* autostart = m_menu.addAction(tr("Lancer à l'ouverture de session"));
    autostart->setCheckable(true);
    autostart->setChecked(m_autostart.isEnabled());
    connect(autostart, &QAction::toggled, this, [this, autostart](bool enabled) {
        // A refused write leaves the mark as the file system has it.
        if (!m_autostart.setEnabled(enabled))
            autostart->setChecked(m_autostart.isEnabled());
    });
    m_menu.addAction(tr("Quitter"), qApp, &QCoreApplication::quit);
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            showWindow();
    });
    connect(&service, &MacRemoteService::isConnectedChanged, this,
        [this, &service] { showConnection(service.isConnected()); });
    showConnection(service.isConnected());
    m_icon.show();
    m_window.installEventFilter(this);
}

void TrayIcon::showWindow()
{
    m_window.show();
    m_window.raise();
    m_window.requestActivate();
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    // Asked each time: a tray may come or go while the app runs.
    if (watched != &m_window || event->type() != QEvent::Close || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    event->ignore();
    m_window.hide();
    return true;
}

void TrayIcon::showConnection(bool isConnected)
{
    m_icon.setIcon(isConnected ? m_connectedIcon : m_waitingIcon);
    m_icon.setToolTip(tr("Quorvelantis Remote — %1").arg(isConnected ? tr("iPhone connecté") : tr("En attente")));
}
