#include "SingleInstance.h"

#include "AppLogging.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
// A later launch waits this long at most for the running one to answer before starting on its own.
constexpr int handOverTimeoutMs = 3000;
} // namespace

bool SingleInstance::claim()
{
    if (QDBusConnection::sessionBus().isConnected())
        return claimOnSessionBus();
    return claimLocalSocket();
}

void SingleInstance::Activate() { Q_EMIT activationRequested(); }

bool SingleInstance::claimOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
    if (bus.registerService(busName)) {
        // A launch while this one quits must find the name free, not wait for an answer that never comes.
        connect(qApp, &QCoreApplication::aboutToQuit, this,
            [] { QDBusConnection::sessionBus().unregisterService(busName); });
        return true;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(busName, objectPath, busName, QStringLiteral("Activate"));
    const QDBusMessage reply = bus.call(call, QDBus::Block, handOverTimeoutMs);
    // A holder that does not answer is stuck or gone: serving beats leaving the user with no app.
    return reply.type() != QDBusMessage::ReplyMessage;
}

bool SingleInstance::claimLocalSocket()
{
    const QString path = socketPath();
    QLocalSocket running;
    running.connectToServer(path);
    if (running.waitForConnected(handOverTimeoutMs)) {
        running.write("activate\n");
        running.waitForBytesWritten(handOverTimeoutMs);
        return false;
    }
    // Nobody answers: the socket file, if any, is left over from a process that ended without removing it.
    QLocalServer::removeServer(path);
    m_socketServer.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_socketServer.listen(path)) {
        qCWarning(lcApp).noquote() << "A second launch cannot show this window:" << m_socketServer.errorString();
        return true;
    }
    connect(qApp, &QCoreApplication::aboutToQuit, &m_socketServer, &QLocalServer::close);
    connect(&m_socketServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_socketServer.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            Q_EMIT activationRequested();
        }
    });
    return true;
}

QString SingleInstance::socketPath()
{
    // The runtime directory is the user's, shared by all their sessions: the display tells this session's apart.
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY"));
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/quorvelantis-remote")
        + display + QStringLiteral(".socket");
}
