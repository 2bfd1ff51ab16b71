#include "sitelist/list_import.h"

#include "form/dialog_start.h"
#include "form/error_trap.h"
#include "sitelist/file_to_list.h"

namespace orlenda {

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    std::string::size_type start = 0;
    for (auto nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', start)) {
        pieces.push_back(text.substr(start, nul - start));
        start = nul + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

void PushButton6_Click(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.PushButton6_Click ");
    platform::CommonDialog& dialog = form.CommonDialog1;
    trap.step(100, [&] { dialog.setFileName(""); });
    trap.step(102, [&] { dialog.setFlags(kImportDialogFlags); });
    trap.step(104, [&] { dialog.setDialogTitle(kImportDialogTitle); });
    trap.step(106, [&] { dialog.setFilter(kImportDialogFilter); });
    trap.step(108, [&] {
        dialog.setInitDir(
            DialogStartFolder({{form.LastListFolder, form.files.isFolder(form.LastListFolder)}},
                              form.desktop.homeFolder()));
    });
    trap.step(108, [&] { dialog.showOpen(); });
    if (trap.endsWhen(110, [&] { return dialog.fileName().empty(); })) return;
    std::vector<std::string> pieces;
    trap.step(112, [&] { pieces = SplitAtNul(dialog.fileName()); });
    if (trap.when(114, [&] { return pieces.size() == 1; })) {
        std::string path;
        trap.step(116, [&] { path = pieces.at(0); });
        trap.step(118, [&] {
            FileToList(form, path);
            form.LastListFolder = FolderOfFile(path);
        });
    } else {
        trap.step(120, [&] {
            form.dialogs.messageBox(kSelectJustOneFile, platform::kMessageOkOnly, "");
        });
    }
}

}  // namespace orlenda
