#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/KeyInjector.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSettings>
#include <functional>
#include <memory>

// Posts arrow keys through the desktop's RemoteDesktop portal (GNOME, KDE Plasma): the user consents once in the
// desktop's own dialog, and the restore token the portal then hands out, kept in the settings, lets later starts skip
// the dialog where the portal allows it. Keys can be posted while a started session exists.
class RemoteDesktopPortal : public QObject, public KeyInjector {
    Q_OBJECT

public:
    static inline const QString restoreTokenKey = QStringLiteral("remoteDesktopRestoreToken");

    // With a kept token the session is asked for at once, so an earlier consent holds without a click.
    RemoteDesktopPortal(const QDBusConnection& bus, std::unique_ptr<QSettings> settings);

    // Answers, later and never blocking, whether the bus has a RemoteDesktop portal that offers keyboards.
    static void probeKeyboard(const QDBusConnection& bus, QObject* context, std::function<void(bool)> onAnswer);

    bool isStarted() const { return m_state == State::started; }
    // Asks the portal for a session, which shows its consent dialog unless a token spares it. While a session is
    // being asked for or runs this does nothing, so dialogs never stack.
    void start();
    bool pressArrow(Arrow arrow) override;

private Q_SLOTS:
    void onSessionClosed();

private:
    enum class State { idle, starting, started };

    void selectDevices();
    void startSession();
    void keepSession(const QVariantMap& results);
    void fail(uint response);
    void forgetSession();
    void notifyKey(int evdevKeyCode, bool isDown);

    QDBusConnection m_bus;
    std::unique_ptr<QSettings> m_settings;
    QDBusServiceWatcher m_portalWatcher;
    State m_state = State::idle;
    QString m_sessionHandle;
    QString m_sentToken;
};

// The right to post keys is a started portal session; asking for it opens the portal's consent dialog.
class RemoteDesktopPermission : public AccessibilityPermission {
public:
    // The portal must outlive this permission.
    explicit RemoteDesktopPermission(RemoteDesktopPortal& portal);

    bool isTrusted() override;
    // The portal keeps no decision of ours to clear; a refused consent is simply asked again.
    void resetRecord() override { }
    void requestPrompt() override;

private:
    RemoteDesktopPortal& m_portal;
};
