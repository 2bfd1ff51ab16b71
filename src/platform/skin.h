#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

namespace orlenda::platform {

// Option bit 0: the window's own background is drawn by the skin too.
inline constexpr std::int32_t kSkinOptionWindowBackground = 1;

// A skin: a look read from a file and attached to a window. Options set
// after loading take effect when the skin is attached.
class SkinComponent {
public:
    virtual ~SkinComponent() = default;

    // Reads the skin file. Throws when it cannot be read or is no skin.
    virtual void loadSkin(const std::string& skinFile) = 0;
    virtual std::int32_t options() const = 0;
    virtual void setOptions(std::int32_t bits) = 0;
    // The program's other windows (dialogs, message boxes, tool tips) take the
    // skin as well.
    virtual void setSkinAllWindows(bool on) = 0;
    // The colours the program gave the window stay beneath the skin; without
    // this the skin starts from the style's standard colours.
    virtual void setKeepWindowColours(bool on) = 0;
    // Throws when no skin was loaded.
    virtual void attachToWindow(MainWindow& window) = 0;
};

}  // namespace orlenda::platform
