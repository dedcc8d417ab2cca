#pragma once

#include <QObject>
#include <QString>
#include <utility>

// Where the desktop sends key presses now. The program is named by its class (X11 WM_CLASS) or app id (Wayland),
// never by the window's title, which may carry private text (a mail's subject, a file name).
struct KeyTarget {
    enum class State {
        unknown, // this desktop does not tell
        nothing, // no window has the focus
        ownWindow, // this app's own window
        program,
    };
    KeyTarget() = default;
    KeyTarget(State state, QString program, QString name = {})
        : state(state)
        , program(std::move(program))
        , name(std::move(name))
    {
    }

    State state = State::unknown;
    QString program; // empty unless a window has the focus
    QString name; // the program as the desktop's menus name it, in its language; empty where they do not
    bool operator==(const KeyTarget&) const = default;
};

// "unknown", "nothing", "ownWindow" or "program".
inline QString rawValue(KeyTarget::State state)
{
    switch (state) {
    case KeyTarget::State::nothing:
        return QStringLiteral("nothing");
    case KeyTarget::State::ownWindow:
        return QStringLiteral("ownWindow");
    case KeyTarget::State::program:
        return QStringLiteral("program");
    case KeyTarget::State::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

// The window that receives the keys. This base class serves desktops that do not tell (GNOME under Wayland):
// it always answers unknown rather than a guess. Lives on the main thread.
class FocusedWindow : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Read now: some desktops report no change (an X server without a window manager).
    virtual KeyTarget current() { return {}; }

Q_SIGNALS:
    void changed();
};
