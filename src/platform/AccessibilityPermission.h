#pragma once

// The right to post key events, and the ways to help the user grant it.
class AccessibilityPermission {
public:
    virtual ~AccessibilityPermission() = default;
    virtual bool isTrusted() = 0;
    // Clears any recorded decision; returns within a bounded time.
    virtual void resetRecord() = 0;
    // Starts the system's grant dialog without waiting for it; never stacks a second one.
    virtual void requestPrompt() = 0;
    // False where no dialog can give the right (an X server without XTEST): asking would only mislead the user.
    virtual bool canBeGranted() { return true; }
};
