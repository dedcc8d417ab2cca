#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/KeyInjector.h"
#include "platform/linux/LinuxKeys.h"

#include <QObject>

// Keys whose backend is only known once an asynchronous probe has answered (the portal is asked over D-Bus, never
// waited for). Until then nothing is posted and the permission reads as missing; a grant asked for meanwhile is passed
// on to the chosen backend, so an early click on "Autoriser" is not lost.
class PendingKeyChoice : public KeyInjector {
public:
    // What the probe's answer hangs on, so that no answer arrives once this is gone.
    QObject* probeContext() { return &m_probeContext; }
    void choose(LinuxKeys keys);

    bool pressArrow(Arrow arrow) override;
    bool isTrusted();
    void requestPrompt();

private:
    QObject m_probeContext;
    LinuxKeys m_chosen;
    bool m_isPromptWanted = false;
};

// The permission side of a PendingKeyChoice.
class PendingKeyPermission : public AccessibilityPermission {
public:
    // The choice must outlive this permission.
    explicit PendingKeyPermission(PendingKeyChoice& choice);

    bool isTrusted() override;
    void resetRecord() override { }
    void requestPrompt() override;

private:
    PendingKeyChoice& m_choice;
};
