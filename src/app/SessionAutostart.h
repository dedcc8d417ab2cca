#pragma once

#include <QString>

// The XDG autostart entry that starts the app hidden when the user's session opens, in
// $XDG_CONFIG_HOME/autostart/ (~/.config/autostart/ by default).
class SessionAutostart {
public:
    bool isEnabled() const;
    // Writes or removes the entry; false, with the reason logged, when the file system refused.
    bool setEnabled(bool enabled);

private:
    static QString entryPath();
};
