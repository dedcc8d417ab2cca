#pragma once

#include "platform/RemoteInput.h"

struct _XDisplay;

// Posts keys with XTestFakeKeyEvent into the X server's input stream; the focused client receives them. Uses
// this process's own connection to the X display ($DISPLAY), kept apart from Qt's so that posting keys never depends
// on the toolkit's platform plugin. Under X11 any client may fake input once the server offers XTEST: access is that
// connection, and there is nobody to ask for it.
class XTestKeys : public RemoteInput {
public:
    XTestKeys() = default;
    ~XTestKeys() override;

    bool pressKey(Key key) override;
    bool hasAccess() override { return connection() != nullptr; }
    void requestAccess() override { }
    // A missing XTEST extension is the server's choice; no dialog changes it.
    AccessRequest accessRequest() const override { return AccessRequest::none; }

private:
    // The open connection when the display is reachable and offers XTEST; null otherwise. A display that was
    // unreachable is tried again on the next call, so an X server started later is picked up.
    _XDisplay* connection();
    // Sends what was buffered once the event loop gets to it: the keys of a burst of commands then cost the display
    // one write instead of one each.
    void flushSoon();

    _XDisplay* m_display = nullptr;
    bool m_isFlushScheduled = false;
    bool m_hasTried = false;
};
