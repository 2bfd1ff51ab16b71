#pragma once

#include <cstdint>
#include <string>

namespace orlenda::platform {

// Mouse-pointer codes of the main window. The hourglass is also the program's
// busy flag: a run shows it for its whole length and other handlers test it.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerCustom = 99;

// Colour values: 0x00BBGGRR, or with the high bit set the number of a system
// colour, which follows the user's colour scheme.
inline constexpr std::uint32_t kSystemColour = 0x80000000;
inline constexpr std::uint32_t kColourButtonFace = kSystemColour | 15;

// The kinds of control whose background goes with the window's. Option and
// check buttons and labels would too, but the window has none of them.
enum class ControlKind { Frame, Other };

// The main window's own properties that the handlers read and set.
class MainWindow {
public:
    virtual ~MainWindow() = default;

    virtual int mousePointer() const = 0;
    virtual void setMousePointer(int code) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // Shows the program's own icon as the window's icon.
    virtual void showApplicationIcon() = 0;
    // Makes the image of a cursor file the custom pointer. Throws when the
    // file cannot be read or is no cursor; the custom pointer stays as it was.
    virtual void setMouseIcon(const std::string& cursorFile) = 0;
    virtual void setBackColor(std::uint32_t colour) = 0;

    // The controls on the window, in the window's order, numbered from 0.
    virtual int controlCount() const = 0;
    virtual ControlKind controlKind(int index) const = 0;
    virtual void setControlBackColor(int index, std::uint32_t colour) = 0;
};

}  // namespace orlenda::platform
