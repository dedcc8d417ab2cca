#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/KeyInjector.h"

#include <memory>

struct _XDisplay;

// This process's own connection to the X display ($DISPLAY), kept apart from Qt's so that posting keys never
// depends on the toolkit's platform plugin.
class XTestDisplay : public std::enable_shared_from_this<XTestDisplay> {
public:
    XTestDisplay() = default;
    ~XTestDisplay();
    XTestDisplay(const XTestDisplay&) = delete;
    XTestDisplay& operator=(const XTestDisplay&) = delete;

    // The open connection when the display is reachable and offers XTEST; null otherwise. A display that was
    // unreachable is tried again on the next call, so an X server started later is picked up.
    _XDisplay* connection();
    // Sends what was buffered once the event loop of the calling thread gets to it: the keys of a burst of
    // commands then cost the display one write instead of one each.
    void flushSoon();

private:
    _XDisplay* m_display = nullptr;
    bool m_isFlushScheduled = false;
};

// Posts arrow keys with XTestFakeKeyEvent into the X server's input stream; the focused client receives them.
class XTestKeyInjector : public KeyInjector {
public:
    explicit XTestKeyInjector(std::shared_ptr<XTestDisplay> display);

    bool pressArrow(Arrow arrow) override;

private:
    std::shared_ptr<XTestDisplay> m_display;
};

// Under X11 any client may fake input once the server offers XTEST: there is no record to reset and nothing to grant.
class XTestPermission : public AccessibilityPermission {
public:
    explicit XTestPermission(std::shared_ptr<XTestDisplay> display);

    bool isTrusted() override;
    void resetRecord() override { }
    void requestPrompt() override { }
    // A missing XTEST extension is the server's choice; no dialog changes it.
    bool canBeGranted() override { return false; }

private:
    std::shared_ptr<XTestDisplay> m_display;
};
