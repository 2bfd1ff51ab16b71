#include "folder/folder_handlers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_form.h"
#include "form/settings_keys.h"
#include "support/platform_path.h"

namespace orlenda {
namespace {

using ::testing::HasSubstr;
using testing::PlatformPath;
using Writes = std::vector<std::pair<std::string, std::string>>;

// A form of fakes whose folder box reports every change to Text1_Change, as
// the window's does.
struct FakeForm : testing::FakeForm {
    FakeForm() {
        folder.changed = [this] { Text1_Change(form); };
    }
};

TEST(FolderBrowse, PutsThePickInTheBoxWithOneSeparatorAndCarriesOnAfterFailures) {
    struct Click {
        const char* name;
        std::string chosen = PlatformPath("/new");  // empty: cancelled
        bool unreadableStore = false, readOnlyStore = false, failingDialog = false;
        std::string openedAt = "/last";
        std::string box = PlatformPath("/new/");
        bool stored = true;  // the pick and the box
        int step = 0;        // the step that fails, if any
    };
    const Click clicks[] = {
        {.name = "pick"},
        {.name = "root", .chosen = PlatformPath("/"), .box = PlatformPath("/")},
        {.name = "cancel", .chosen = "", .box = "/kept/", .stored = false},
        // Opens at the folder picked before in this run.
        {.name = "unreadable", .unreadableStore = true, .openedAt = "/before", .step = 100},
        {.name = "no dialog", .failingDialog = true, .box = "/kept/", .stored = false, .step = 100},
        // The box is still set; its own store failure is told too.
        {.name = "read-only", .readOnlyStore = true, .stored = false, .step = 104},
    };
    for (const Click& click : clicks) {
        SCOPED_TRACE(click.name);
        FakeForm fake;
        fake.files.folders = {"/last", "/before"};
        fake.folder.value = "/kept/";
        fake.form.LastFolder = "/before";
        fake.settings.values[kLastFolderKey] = "/last";
        fake.settings.failReads = click.unreadableStore;
        fake.settings.failWrites = click.readOnlyStore;
        fake.folderBrowser.fail = click.failingDialog;
        fake.folderBrowser.answer = click.chosen;

        PushButton8_Click(fake.form);

        // Opened at the folder picked last, not at the box.
        ASSERT_EQ(fake.folderBrowser.requests.size(), 1u);
        EXPECT_EQ(fake.folderBrowser.requests[0].title, "Please select folder:");
        EXPECT_EQ(fake.folderBrowser.requests[0].start, click.openedAt);
        EXPECT_EQ(fake.folderBrowser.requests[0].owner, &fake.me);
        EXPECT_EQ(fake.folder.value, click.box);
        const Writes stored{{kLastFolderKey, click.chosen}, {kDownloadLocationKey, click.box}};
        EXPECT_EQ(fake.settings.writes, click.stored ? stored : Writes{});
        const auto& messages = fake.dialogs.messages;
        ASSERT_EQ(messages.size(), (click.step ? 1u : 0u) + click.readOnlyStore);
        if (click.step) {
            EXPECT_THAT(messages[0].text,
                        HasSubstr("in Orlenda2021/08/31.Form1.PushButton8_Click at line " +
                                  std::to_string(click.step)));
        }
        if (click.readOnlyStore) {
            EXPECT_THAT(messages.back().text, HasSubstr("could not be remembered"));
        }
    }
}

TEST(FolderBox, EveryChangeIsStoredAndARefusalToldOnceUntilAWriteSucceeds) {
    FakeForm fake;
    for (const char* text : {"/a", "", "/abc/"}) fake.folder.setText(text);
    EXPECT_EQ(fake.settings.writes, (Writes{{kDownloadLocationKey, "/a"},
                                            {kDownloadLocationKey, ""},
                                            {kDownloadLocationKey, "/abc/"}}));

    fake.settings.failWrites = true;
    for (const char* text : {"/a", "/ab"}) fake.folder.setText(text);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_THAT(fake.dialogs.messages[0].text, HasSubstr("settings read-only"));
    EXPECT_EQ(fake.dialogs.messages[0].style, platform::kMessageExclamation);
    EXPECT_EQ(fake.dialogs.messages[0].caption, "");  // the application title

    fake.settings.failWrites = false;
    fake.folder.setText("/abcd");
    fake.settings.failWrites = true;
    fake.folder.setText("/abcde");
    EXPECT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(fake.settings.values[kDownloadLocationKey], "/abcd");
}

}  // namespace
}  // namespace orlenda
