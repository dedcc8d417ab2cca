#pragma once

#include <QObject>

// The arrow keys a slide command presses.
enum class Arrow { left, right };

// Presses keys in the desktop's input stream, where the focused window receives them, and holds the access that
// takes. One implementation per backend (XTest, uinput, ...), chosen once at start. Lives on the main thread.
class RemoteInput : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Posts the arrow's press, then its release, in the order of the calls: the desktop never sees a release before
    // its press, nor a press without its release, so a key can never stay down. Posting may finish later. False when
    // the backend cannot post it now (no display, no access, no key for it); nothing is posted then.
    virtual bool pressArrow(Arrow arrow) = 0;
    // Whether keys can be posted now.
    virtual bool hasAccess() = 0;
    // Starts whatever lets the user grant access (a password or consent dialog) without waiting for it; never stacks
    // a second dialog while one is open.
    virtual void requestAccess() = 0;
    // False where no dialog can give access (an X server without XTEST): asking would only mislead the user.
    virtual bool canRequestAccess() const { return true; }

Q_SIGNALS:
    // Access came or went by itself (a consent given, a session closed); the rest is seen by asking hasAccess().
    void accessChanged();
};
