#pragma once

#include <string>

namespace orlenda::platform {

// Message-box styles: OK button only, optionally with the warning icon.
inline constexpr int kMessageOkOnly = 0;
inline constexpr int kMessageExclamation = 48;

// Modal dialogs of the main window. An empty caption means the application
// title, as every message of the program that names no caption of its own.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void messageBox(const std::string& text, int style, const std::string& caption) = 0;
    // Returns the text entered, or empty text when the user cancels.
    virtual std::string inputBox(const std::string& prompt, const std::string& caption) = 0;
};

}  // namespace orlenda::platform
