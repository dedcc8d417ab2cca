#pragma once

#include "platform/RemoteInput.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSettings>
#include <functional>
#include <memory>

// Posts arrow keys through the desktop's RemoteDesktop portal (GNOME, KDE Plasma): the user consents once in the
// desktop's own dialog, and the restore token the portal then hands out, kept in the settings, lets later starts skip
// the dialog where the portal allows it. Access is a started session.
class RemoteDesktopPortal : public RemoteInput {
    Q_OBJECT

public:
    static inline const QString restoreTokenKey = QStringLiteral("remoteDesktopRestoreToken");

    // With a kept token the session is asked for at once, so an earlier consent holds without a click.
    RemoteDesktopPortal(const QDBusConnection& bus, std::unique_ptr<QSettings> settings);

    // Answers, later and never blocking, whether the bus has a RemoteDesktop portal that offers keyboards.
    static void probeKeyboard(const QDBusConnection& bus, QObject* context, std::function<void(bool)> onAnswer);

    bool pressArrow(Arrow arrow) override;
    bool hasAccess() override { return m_state == State::started; }
    // Asks the portal for a session, which shows its consent dialog unless a token spares it. While a session is
    // being asked for or runs this does nothing, so dialogs never stack. The portal keeps no refusal of ours: a
    // refused consent is simply asked again.
    void requestAccess() override;

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
