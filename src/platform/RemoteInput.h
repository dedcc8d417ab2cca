#pragma once

#include <QObject>

// The keys a slide command presses, which presentation programs agree on: the arrows move one slide, B
// blacks the screen and brings it back, Home and End go to the first and the last slide.
enum class Key { left, right, b, home, end };

// What asking for access shows the user, so the window can tell them beforehand.
enum class AccessRequest {
    none, // nothing to ask, or nobody who could give it (an X server without XTEST)
    adminPassword, // an administrator's password grants the keyboard device
    consent, // the desktop's dialog asks to allow remote interaction, and remembers the answer
    consentEachStart, // the same dialog, asked again at each start of the app
};

// Presses keys in the desktop's input stream, where the focused window receives them, and holds the access that
// takes. One implementation per backend (XTest, uinput, ...), chosen once at start. Lives on the main thread.
class RemoteInput : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Posts the key's press, then its release, in the order of the calls: the desktop never sees a release before
    // its press, nor a press without its release, so a key can never stay down. Posting may finish later. False when
    // the backend cannot post it now (no display, no access, no key for it); nothing is posted then.
    virtual bool pressKey(Key key) = 0;
    // Whether keys can be posted now.
    virtual bool hasAccess() = 0;
    // Starts whatever lets the user grant access (a password or consent dialog) without waiting for it; never stacks
    // a second dialog while one is open.
    virtual void requestAccess() = 0;
    virtual AccessRequest accessRequest() const = 0;
    // True while access may come by itself soon: a dialog is open, or the backend is still being chosen.
    virtual bool isAskingForAccess() const { return false; }

Q_SIGNALS:
    // Access, or the way it is asked, may have changed by itself (a consent given, a dialog closed, a session
    // closed); the rest is seen by asking hasAccess().
    void accessChanged();
};
