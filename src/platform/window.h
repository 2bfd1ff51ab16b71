#pragma once

#include <string>

namespace orlenda::platform {

// Mouse-pointer codes of the main window. The hourglass is also the program's
// busy flag: a run shows it for its whole length and other handlers test it.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerCustom = 99;

// The main window's own properties that the handlers read and set.
class MainWindow {
public:
    virtual ~MainWindow() = default;

    virtual int mousePointer() const = 0;
    virtual void setMousePointer(int code) = 0;
    virtual void setCaption(const std::string& caption) = 0;
};

}  // namespace orlenda::platform
