#pragma once

#include <string>
#include <vector>

#include "form/form1.h"

namespace orlenda {

// The optional skin file, o.cjs in a folder x.
inline constexpr char kSkinFolderName[] = "x";
inline constexpr char kSkinFileName[] = "o.cjs";

// Where the skin file may lie, in the order looked at: next to the program,
// then beside the settings (when they are a file), since no user should have
// to write into the folder of an installed program.
std::vector<std::string> SkinFilePlaces(const std::string& programFolder,
                                        const std::string& settingsFolder);

// Gives the main window the skin from the first skin file there is; without
// one the window keeps its own look and the skin is never touched.
void ApplySkin(Form1& form);

}  // namespace orlenda
