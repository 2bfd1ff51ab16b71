#pragma once

#include "fakes/fake_controls.h"
#include "fakes/fake_list_import.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_startup.h"
#include "form/form1.h"

namespace orlenda::testing {

// A main window made of fakes, for driving handlers in tests. Nothing is
// wired to the folder box's changes: a test of the folder box sets
// folder.changed to Text1_Change, as the window does.
struct FakeForm {
    FakeForm() = default;
    FakeForm(const FakeForm&) = delete;
    FakeForm& operator=(const FakeForm&) = delete;

    FakeMainWindow me;
    FakeSiteList list;
    FakeProgress progress;
    FakeTextBox folder;
    FakeDialogs dialogs;
    FakeEvents events;
    FakeFileSystem files;
    FakeCommonDialog commonDialog;
    FakeListFiles listFiles;
    FakeProcesses processes;
    FakeSleeper sleeper;
    FakeSettings settings;
    FakeFolderBrowser folderBrowser;
    FakeSkin skin{me.journal};
    FakeDesktop desktop;
    FakeClock clock;
    Form1 form{.Me = me,
               .ListView1 = list,
               .ProgressBar1 = progress,
               .Text1 = folder,
               .dialogs = dialogs,
               .events = events,
               .files = files,
               .CommonDialog1 = commonDialog,
               .listFiles = listFiles,
               .processes = processes,
               .sleeper = sleeper,
               .settings = settings,
               .folderBrowser = folderBrowser,
               .SkinFramework1 = skin,
               .desktop = desktop,
               .clock = clock};
};

}  // namespace orlenda::testing
