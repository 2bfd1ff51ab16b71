#include "folder/folder_handlers.h"

#include <exception>

#include "form/dialog_start.h"
#include "form/error_trap.h"
#include "form/folder_text.h"
#include "form/settings_keys.h"

namespace orlenda {
namespace {

constexpr char kFolderNotStored[] =
    "The output folder could not be remembered for the next start:\r\n";

void ReportFolderNotStored(Form1& form, const std::string& description) {
    // Reported once: the box keeps changing with every keystroke, and one
    // message per key would make typing impossible.
    if (form.FolderStoreFailureShown) return;
    form.FolderStoreFailureShown = true;
    form.dialogs.messageBox(kFolderNotStored + description, platform::kMessageExclamation, "");
}

// The folder picked last wins; else the folder in the box, where a user who
// typed one expects to browse from; else home.
std::string BrowseStartFolder(const Form1& form) {
    const std::string boxFolder = form.files.typedPath(form.Text1.text());
    return DialogStartFolder({{form.LastFolder, form.files.isFolder(form.LastFolder)},
                              {boxFolder, form.files.isFolder(boxFolder)}},
                             form.desktop.homeFolder());
}

}  // namespace

void PushButton8_Click(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.PushButton8_Click ");
    std::string folder;
    // A failed read still shows the dialog, at the folder picked before.
    trap.step(100, [&] { form.LastFolder = form.settings.ReadSetting(kLastFolderKey, ""); });
    std::string start;
    trap.step(100, [&] { start = BrowseStartFolder(form); });
    trap.step(100, [&] {
        folder = form.folderBrowser.BrowseForFolder(form.Me, kBrowseFolderTitle, start);
    });
    if (trap.endsWhen(102, [&] { return folder.empty(); })) return;
    trap.step(104, [&] { form.LastFolder = folder; });
    trap.step(104, [&] { form.settings.WriteSetting(kLastFolderKey, form.LastFolder); });
    // Setting the box raises Text1_Change, which stores it.
    if (trap.when(104, [&] { return !EndsWithSeparator(folder); })) {
        trap.step(106, [&] { form.Text1.setText(folder + platform::kPathSeparator); });
    } else {
        trap.step(108, [&] { form.Text1.setText(folder); });
    }
}

// No trap of its own: a store that refuses writes must not end the program,
// so the failure is reported here and the box keeps the text.
void Text1_Change(Form1& form) {
    try {
        form.settings.WriteSetting(kDownloadLocationKey, form.Text1.text());
        form.FolderStoreFailureShown = false;
    } catch (const std::exception& failure) {
        ReportFolderNotStored(form, failure.what());
    } catch (...) {
        ReportFolderNotStored(form, "Unknown error");
    }
}

}  // namespace orlenda
