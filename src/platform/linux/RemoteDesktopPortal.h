#pragma once

#include "platform/RemoteInput.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSettings>
#include <deque>
#include <functional>
#include <memory>

// Posts keys through the desktop's RemoteDesktop portal (GNOME, KDE Plasma): the user consents in the desktop's
// own dialog. From version 2 of the portal on, the restore token it then hands out, kept in the settings, lets later
// starts skip the dialog; an older portal (Debian 12's is version 1) asks again at each start. Access is a started
// session.
class RemoteDesktopPortal : public RemoteInput {
    Q_OBJECT

public:
    static inline const QString restoreTokenKey = QStringLiteral("remoteDesktopRestoreToken");

    // What the bus's RemoteDesktop portal offers.
    struct Offer {
        bool keyboard = false;
        uint version = 0; // of its RemoteDesktop interface; 0 without a portal
    };

    // `version` is the portal's, as the probe found it. With a kept token and a portal that takes it, the session is
    // asked for at once, so an earlier consent holds without a click.
    RemoteDesktopPortal(const QDBusConnection& bus, std::unique_ptr<QSettings> settings, uint version);

    // Answers, later and never blocking, what the bus's RemoteDesktop portal offers.
    static void probeKeyboard(const QDBusConnection& bus, QObject* context, std::function<void(Offer)> onAnswer);

    // Queues the key's press and release behind the keys still on their way; false without a started session.
    bool pressKey(Key key) override;
    bool hasAccess() override { return m_state == State::started; }
    // Asks the portal for a session, which shows its consent dialog unless a token spares it. While a session is
    // being asked for or runs this does nothing, so dialogs never stack. The portal keeps no refusal of ours: a
    // refused consent is simply asked again.
    void requestAccess() override;
    AccessRequest accessRequest() const override
    {
        return persists() ? AccessRequest::consent : AccessRequest::consentEachStart;
    }
    bool isAskingForAccess() const override { return m_state == State::starting; }

private Q_SLOTS:
    void onSessionClosed();

private:
    enum class State { idle, starting, started };

    // Whether the portal knows persist_mode and restore_token (version 2 on); an older one may refuse them.
    bool persists() const { return m_version >= 2; }
    void selectDevices();
    void startSession();
    void keepSession(const QVariantMap& results);
    void fail(uint response);
    void forgetSession();
    // Sends the press, or the release, of the tap at the head of the queue.
    void notifyKey(bool isDown);

    // One key tap, bound to the session it was pressed in.
    struct Tap {
        QString session;
        int evdevKeyCode;
    };

    QDBusConnection m_bus;
    std::unique_ptr<QSettings> m_settings;
    uint m_version;
    QDBusServiceWatcher m_portalWatcher;
    State m_state = State::idle;
    QString m_sessionHandle;
    QString m_sentToken;
    // The portal runs each call on a worker thread of its own, so two calls in flight can reach the desktop in either
    // order: a release overtaking its press leaves the key down, and the desktop repeats it. So one key call is in
    // flight at a time, for the head of this queue; the others wait in order.
    std::deque<Tap> m_taps;
};
