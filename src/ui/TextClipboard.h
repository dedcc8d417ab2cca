#pragma once

#include <QString>

// Where the copy button puts plain text. The real one is the desktop clipboard; tests put their own in place.
class TextClipboard {
public:
    virtual ~TextClipboard() = default;
    // Replaces whatever the clipboard held.
    virtual void setText(const QString& text) = 0;
};
