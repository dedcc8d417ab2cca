#pragma once

#include "TextClipboard.h"

// The desktop's clipboard, through the running QGuiApplication.
class SystemClipboard final : public TextClipboard {
public:
    void setText(const QString& text) override;
};
