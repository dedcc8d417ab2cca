#pragma once

// The window as the app holds it across the views' library: an interface of inline members only, so that the app
// needs none of the library's symbols, not even a type's identity.
class AppWindow {
public:
    virtual ~AppWindow() = default;

    // Builds the window if needed, shows it and brings it to the front; false when it could not be built.
    virtual bool show() = 0;
};
