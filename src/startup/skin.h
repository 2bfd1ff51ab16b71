#pragma once

#include "form/form1.h"

namespace orlenda {

// The optional skin file, o.cjs in the folder x next to the program.
inline constexpr char kSkinFolderName[] = "x";
inline constexpr char kSkinFileName[] = "o.cjs";

// Gives the main window the skin from the skin file when there is one;
// without it the window keeps its own look and the skin is never touched.
void ApplySkin(Form1& form);

}  // namespace orlenda
