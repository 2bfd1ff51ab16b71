#pragma once

#include <array>
#include <stdexcept>
#include <string_view>

#include "platform/twips.h"

namespace orlenda {

// Geometry of the main window in twips (1/1440 inch), the unit it was
// designed in. Positions are relative to the control's container: the window,
// or the frame for the folder box and its browse button.
struct ControlPlacement {
    std::string_view name;
    std::string_view container;
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int kClientWidthTwips = 8040;
inline constexpr int kClientHeightTwips = 5685;
inline constexpr int kListColumnWidthTwips = 6500;

inline constexpr std::array<ControlPlacement, 10> kForm1Layout{{
    {"Frame1", "Form1", 120, 3720, 7800, 800},
    {"Text1", "Frame1", 240, 300, 6495, 345},
    {"PushButton8", "Frame1", 6840, 300, 720, 345},
    {"ListView1", "Form1", 120, 120, 7800, 2535},
    {"ProgressBar1", "Form1", 120, 5160, 7800, 405},
    {"PushButton1", "Form1", 120, 2750, 3840, 405},
    {"PushButton6", "Form1", 4080, 2750, 3840, 405},
    {"PushButton7", "Form1", 120, 3260, 3840, 405},
    {"PushButton2", "Form1", 120, 4635, 7800, 405},
    {"PushButton3", "Form1", 4080, 3260, 3840, 405},
}};

constexpr const ControlPlacement& PlacementOf(std::string_view name) {
    for (const auto& placement : kForm1Layout) {
        if (placement.name == name) return placement;
    }
    throw std::out_of_range("no such control");
}

}  // namespace orlenda
