#pragma once

#include "form/form1.h"

namespace orlenda {

inline constexpr char kAddSitePrompt[] = "Enter website address to add: ";
inline constexpr char kFirstSampleAddress[] = "http://www.wikipedia.org";
inline constexpr char kSecondSampleAddress[] = "http://www.yahoo.com";
using platform::kDeleteKeyCode;

// "Add Single Web Site URL": asks for one address and appends it.
void PushButton1_Click(Form1& form);
// "Load Sample/Example Files": appends the two sample addresses.
void PushButton3_Click(Form1& form);
// "Clear List": removes every row unless a run is in progress.
void PushButton7_Click(Form1& form);
// Double-click on the list: removes the current row unless busy or empty.
void ListView1_DblClick(Form1& form);
// Key down on the list: Delete, whatever the modifiers, acts as a double-click.
void ListView1_KeyDown(Form1& form, int keyCode);

}  // namespace orlenda
