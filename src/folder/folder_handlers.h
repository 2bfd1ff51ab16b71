#pragma once

#include <string>

#include "form/form1.h"

namespace orlenda {

inline constexpr char kBrowseFolderTitle[] = "Please select folder:";

// "...": lets the user pick the output folder, opened at the one picked last
// (else at the box's folder, else at home), and puts it in the folder box
// with a separator at its end.
void PushButton8_Click(Form1& form);
// Any change of the folder box, typed or not: stores the whole text at once.
void Text1_Change(Form1& form);

}  // namespace orlenda
