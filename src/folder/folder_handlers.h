#pragma once

#include <string>

#include "app/form1.h"

namespace orlenda {

inline constexpr char kBrowseFolderTitle[] = "Please select folder:";

bool EndsWithSeparator(const std::string& folder);
// The folder with one separator at its end: a path that already ends with
// one, such as the root folder, is kept as it is.
std::string WithTrailingSeparator(const std::string& folder);

// "...": lets the user pick the output folder, opened at the one picked last,
// and puts it in the folder box with a separator at its end.
void PushButton8_Click(Form1& form);
// Any change of the folder box, typed or not: stores the whole text at once.
void Text1_Change(Form1& form);

}  // namespace orlenda
