#pragma once

#include <QLocalServer>
#include <QObject>

// Keeps one running copy per desktop session. The first process takes the session bus name (or, without a session
// bus, a local socket for its display in the user's runtime directory); a later launch asks it to show its window and
// steps aside.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quorvelantis.Remote")

public:
    static inline const QString busName = QStringLiteral("org.quorvelantis.Remote");
    static inline const QString objectPath = QStringLiteral("/org/quorvelantis/Remote");

    // True when this process is now the one instance; false after handing the launch over to the running one.
    bool claim();

public Q_SLOTS:
    // Called over the bus by a later launch.
    Q_SCRIPTABLE void Activate();

Q_SIGNALS:
    void activationRequested();

private:
    bool claimOnSessionBus();
    bool claimLocalSocket();
    static QString socketPath();

    QLocalServer m_socketServer;
};
