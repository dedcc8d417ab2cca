#pragma once

#include "platform/FocusedWindow.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QTemporaryFile>
#include <memory>

// The focused window on KDE Plasma under Wayland, which lists its windows to no ordinary client: a small KWin script,
// loaded through KWin's public scripting interface on the session bus, calls this object's Activated whenever the
// active window changes, with the window's class and process id. Every call to KWin is asynchronous; until the script
// has reported, and for good when KWin refuses it, the answer is unknown. The script is unloaded with this object.
class KWinFocusedWindow : public FocusedWindow, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quorvelantis.Remote.FocusedWindow")

public:
    static inline const QString objectPath = QStringLiteral("/org/quorvelantis/Remote/FocusedWindow");

    // Null when this object cannot be offered on the bus (no session bus).
    static std::unique_ptr<KWinFocusedWindow> connect(const QDBusConnection& bus);
    ~KWinFocusedWindow() override;

    KeyTarget current() override { return m_target; }

public Q_SLOTS:
    // Called by the script in KWin: the active window's class, or an empty class and 0 when no window is active.
    Q_SCRIPTABLE void Activated(const QString& windowClass, int pid);

private:
    explicit KWinFocusedWindow(const QDBusConnection& bus);
    bool writeScript();
    void loadScript();
    void runScript(int scriptId, bool underScriptingPath);

    QDBusConnection m_bus;
    QString m_pluginName;
    QTemporaryFile m_script;
    QString m_kwin; // KWin's unique bus name, the only caller believed
    bool m_loaded = false;
    KeyTarget m_target;
};
