#include "platform/linux/KWinFocusedWindow.h"

#include "platform/linux/KeysLogging.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <unistd.h>

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString scriptingInterface = QStringLiteral("org.kde.kwin.Scripting");

// Runs inside KWin. %1 and %2: this object's bus name and path. Only the class and the process id leave KWin, never
// the title. Plasma 6 renamed clientActivated and activeClient to windowActivated and activeWindow.
constexpr char scriptTemplate[] = R"js(
(function () {
    function report(window) {
        callDBus("%1", "%2", "org.quorvelantis.Remote.FocusedWindow", "Activated",
            window ? String(window.resourceClass) : "", window ? window.pid : 0);
    }
    (workspace.windowActivated || workspace.clientActivated).connect(report);
    report(workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient);
})();
)js";

} // namespace

std::unique_ptr<KWinFocusedWindow> KWinFocusedWindow::connect(const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        qCWarning(lcKeys) << "No session bus to reach KWin, so the focused window stays unknown:"
                          << bus.lastError().message();
        return nullptr;
    }
    std::unique_ptr<KWinFocusedWindow> focusedWindow(new KWinFocusedWindow(bus));
    if (!focusedWindow->m_bus.registerObject(objectPath, focusedWindow.get(), QDBusConnection::ExportScriptableSlots)) {
        qCWarning(lcKeys) << "Cannot offer" << objectPath << "on the session bus for KWin to report the focused window";
        return nullptr;
    }
    if (!focusedWindow->writeScript())
        return nullptr;
    focusedWindow->loadScript();
    return focusedWindow;
}

KWinFocusedWindow::KWinFocusedWindow(const QDBusConnection& bus)
    : m_bus(bus)
    , m_pluginName(QStringLiteral("quorvelantis-remote-focus-%1").arg(::getpid()))
    , m_script(QDir::tempPath() + QStringLiteral("/quorvelantis-kwin-XXXXXX.js"))
{
}

KWinFocusedWindow::~KWinFocusedWindow()
{
    m_bus.unregisterObject(objectPath);
    if (!m_loaded)
        return;
    // Sent without waiting for the answer: the app is on its way out.
    m_bus.send(QDBusMessage::createMethodCall(
                   kwinService, QStringLiteral("/Scripting"), scriptingInterface, QStringLiteral("unloadScript"))
        << m_pluginName);
}

bool KWinFocusedWindow::writeScript()
{
    const QByteArray script = QString::fromLatin1(scriptTemplate).arg(m_bus.baseService(), objectPath).toUtf8();
    if (!m_script.open() || m_script.write(script) != script.size() || !m_script.flush()) {
        qCWarning(lcKeys) << "Cannot write the KWin script that reports the focused window to" << m_script.fileName()
                          << ":" << m_script.errorString();
        return false;
    }
    return true;
}

void KWinFocusedWindow::loadScript()
{
    const QDBusMessage load = QDBusMessage::createMethodCall(kwinService, QStringLiteral("/Scripting"),
                                  scriptingInterface, QStringLiteral("loadScript"))
        << m_script.fileName() << m_pluginName;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(load), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<int> reply = *watcher;
        if (reply.isError() || reply.value() < 0) {
            qCWarning(lcKeys).noquote() << "KWin refused to load the script that reports the focused window:"
                                        << reply.error().name() << reply.error().message();
            return;
        }
        m_loaded = true;
        m_kwin = reply.reply().service();
        runScript(reply.value(), false);
    });
}

// KWin 5 offers a loaded script at /<id>, KWin 6 at /Scripting/Script<id>.
void KWinFocusedWindow::runScript(int scriptId, bool underScriptingPath)
{
    const QString path
        = (underScriptingPath ? QStringLiteral("/Scripting/Script") : QStringLiteral("/")) + QString::number(scriptId);
    const QDBusMessage run = QDBusMessage::createMethodCall(
        kwinService, path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(run), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, scriptId, underScriptingPath] {
        watcher->deleteLater();
        if (watcher->isError() && watcher->error().type() == QDBusError::UnknownObject && !underScriptingPath)
            runScript(scriptId, true);
        else if (watcher->isError())
            qCWarning(lcKeys).noquote() << "KWin's run of the script that reports the focused window failed:"
                                        << watcher->error().name() << watcher->error().message();
    });
}

void KWinFocusedWindow::Activated(const QString& windowClass, int pid)
{
    // Any client of the session bus may call this: only KWin is believed.
    if (message().service() != m_kwin) {
        qCDebug(lcKeys) << "Ignored a focused-window report from" << message().service() << "which is not KWin";
        return;
    }
    KeyTarget target;
    if (windowClass.isEmpty() && pid == 0)
        target = { KeyTarget::State::nothing, {} };
    // A window that names no program: saying nothing beats a guess.
    else if (!windowClass.isEmpty())
        target = { pid == ::getpid() ? KeyTarget::State::ownWindow : KeyTarget::State::program, windowClass };
    if (target == m_target)
        return;
    m_target = target;
    Q_EMIT changed();
}
