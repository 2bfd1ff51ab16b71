#pragma once

#include <string>
#include <vector>

#include "form/form1.h"
#include "platform/common_dialog.h"

namespace orlenda {

inline constexpr char kImportDialogTitle[] =
    "Add File(s) - Use Ctrl & Shift to select multiple files";
inline constexpr char kImportDialogFilter[] = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
// The read-only box starts ticked (never read back); neither the file nor its
// folder has to exist, so a typed name of a missing file reaches the import,
// which then says so.
inline constexpr long kImportDialogFlags =
    platform::kOpenReadOnlyTicked | platform::kOpenExplorerStyle | platform::kOpenLongNames;
inline constexpr char kSelectJustOneFile[] = "Please select just one file.";

// The pieces of a file dialog's answer, cut at NUL characters: a dialog that
// picks several files answers with their folder, then each name. Empty text
// has no piece.
std::vector<std::string> SplitAtNul(const std::string& text);

// "Load List Of Sites From Text File": asks for one file and appends its
// lines. The dialog opens at home, or where the list loaded last lay.
void PushButton6_Click(Form1& form);

}  // namespace orlenda
