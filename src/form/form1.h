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
struct Form1 {
    platform::MainWindow& Me;
    platform::SiteListControl& ListView1;
    platform::ProgressIndicator& ProgressBar1;
    platform::TextBox& Text1;

    platform::Dialogs& dialogs;
    platform::EventPump& events;
    platform::FileSystem& files;
    platform::CommonDialog& CommonDialog1;
    platform::ListFiles& listFiles;
    platform::Processes& processes;
    platform::Sleeper& sleeper;
    platform::SettingsStore& settings;
    platform::FolderBrowser& folderBrowser;
    platform::SkinComponent& SkinFramework1;
    platform::Desktop& desktop;
    platform::Clock& clock;

    // Set while a run is in progress; refuses a second Start.
    bool IsRunning = false;
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
