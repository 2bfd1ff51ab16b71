#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common_dialog.h"
#include "platform/controls.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/folder_browser.h"
#include "platform/list_files.h"
#include "platform/processes.h"
#include "platform/settings.h"
#include "platform/skin.h"
#include "platform/window.h"

namespace orlenda {

inline constexpr char kApplicationTitle[] = "Orlenda";
// What the progress bar shows when no run is going on.
inline constexpr char kProgressBarRestText[] = "Progress Bar";

// Where a run in progress stands, so that a close in its middle can still
// leave the list of the rows not known to be saved.
struct RunProgress {
    // The run's last row and the row it is at; 0 when no run is converting.
    std::int64_t lastRow = 0;
    std::int64_t currentRow = 0;
    // The addresses of the rows before it that were not saved, in their order.
    std::vector<std::string> unsavedAddresses{};
};

// The main window as its handlers see it: its controls, the platform services
// they call, and the little state of its own. The handlers are free functions
// that take a Form1; the window system only forwards events to them.
//
// The controls keep their numbered names on purpose (the handlers are named
// after them, as PushButton2_Click). What the user sees of each:
//   PushButton1  the button "Add Single Web Site URL"
//   PushButton2  the button "Start Saving Web Sites As JPG"
//   PushButton3  the button "Load Sample/Example Files"
//   PushButton6  the button "Load List Of Sites From Text File"
//   PushButton7  the button "Clear List"
//   PushButton8  the button "..." beside the folder box: browse for the folder
//   Frame1       the frame "Save JPG File(s) To This Folder" round the folder box
// The buttons and the frame live in the window only (app/form1_window.h);
// the handlers reach the controls below.
struct Form1 {
    // The window itself, captioned "Orlenda".
    platform::MainWindow& Me;
    // The list of sites, its one column headed " Web Site(s)".
    platform::SiteListControl& ListView1;
    // The bar at the bottom, "Processing: <address>" during a run, else "Progress Bar".
    platform::ProgressIndicator& ProgressBar1;
    // The folder box in the frame "Save JPG File(s) To This Folder".
    platform::TextBox& Text1;

    platform::Dialogs& dialogs;
    platform::EventPump& events;
    platform::FileSystem& files;
    // The file dialog that "Load List Of Sites From Text File" opens.
    platform::CommonDialog& CommonDialog1;
    platform::ListFiles& listFiles;
    platform::Processes& processes;
    platform::Sleeper& sleeper;
    platform::SettingsStore& settings;
    // The "Please select folder:" box that "..." opens.
    platform::FolderBrowser& folderBrowser;
    // Not seen itself: draws the skin x/o.cjs over the window when there is one.
    platform::SkinComponent& SkinFramework1;
    platform::Desktop& desktop;
    platform::Clock& clock;

    // Set while a run is in progress; refuses a second Start.
    bool IsRunning = false;
    // Set while a list file is being read into the list; refuses Start, whose
    // run would take only the rows read so far, and a second list file.
    bool IsImportingList = false;
    RunProgress runProgress{};
    // The folder last picked in the folder browser, as the browser gave it.
    std::string LastFolder{};
    // The folder of the list file loaded last since the program started; the
    // list dialog opens there next.
    std::string LastListFolder{};
    // A failure to store the folder box has been reported; the next stored
    // change clears it.
    bool FolderStoreFailureShown = false;

    bool isBusy() const { return Me.mousePointer() == platform::kPointerHourglass; }
};

}  // namespace orlenda
