#include "folder/folder_handlers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/settings_keys.h"
#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeForm;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kLocation[] = "in Orlenda2021/08/31.Form1.PushButton8_Click at line ";

TEST(FolderBrowse, PickFillsTheBoxWithOneSeparatorAndRemembersBothSettings) {
    const std::pair<const char*, const char*> picks[] = {
        {"/home/u/My Shots", "/home/u/My Shots/"}, {"/", "/"}, {"/srv/out/", "/srv/out/"}};
    for (const auto& [chosen, box] : picks) {
        FakeForm fake;
        fake.folder.value = "/restored/";
        fake.settings.values[kLastFolderKey] = "/home/u/last";
        fake.folderBrowser.answer = chosen;

        PushButton8_Click(fake.form);

        // Opened at the folder picked last, not at the box.
        ASSERT_EQ(fake.folderBrowser.requests.size(), 1u);
        EXPECT_EQ(fake.folderBrowser.requests[0].title, "Please select folder:");
        EXPECT_EQ(fake.folderBrowser.requests[0].start, "/home/u/last");
        EXPECT_EQ(fake.folderBrowser.owners[0], &fake.me);
        EXPECT_EQ(fake.folder.value, box);
        EXPECT_EQ(fake.settings.values[kLastFolderKey], chosen);
        EXPECT_EQ(fake.settings.values[kDownloadLocationKey], box);
        EXPECT_THAT(fake.dialogs.messages, IsEmpty());
    }
}

TEST(FolderBrowse, CancelChangesNothing) {
    FakeForm fake;
    fake.folder.value = "/box/";
    PushButton8_Click(fake.form);
    EXPECT_EQ(fake.folderBrowser.requests[0].start, "");
    EXPECT_EQ(fake.folder.value, "/box/");
    EXPECT_THAT(fake.settings.writes, IsEmpty());
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
}

TEST(FolderBrowse, FailedStepsAreReportedAndTheClickGoesOn) {
    FakeForm unreadable;  // still opens, at the folder picked before
    unreadable.form.LastFolder = "/before";
    unreadable.settings.failReads = true;
    unreadable.folderBrowser.answer = "/new";
    PushButton8_Click(unreadable.form);
    EXPECT_EQ(unreadable.folderBrowser.requests[0].start, "/before");
    EXPECT_EQ(unreadable.folder.value, "/new/");
    EXPECT_THAT(unreadable.dialogs.messages,
                ElementsAre(::testing::Field(&testing::ShownMessage::text,
                                             HasSubstr(std::string(kLocation) + "100"))));

    FakeForm broken;  // the dialog fails: nothing is picked
    broken.folderBrowser.fail = true;
    broken.folderBrowser.answer = "/never";
    PushButton8_Click(broken.form);
    EXPECT_EQ(broken.folder.value, "");
    EXPECT_THAT(broken.settings.writes, IsEmpty());
    ASSERT_EQ(broken.dialogs.messages.size(), 1u);
    EXPECT_THAT(broken.dialogs.messages[0].text, HasSubstr(std::string(kLocation) + "100"));

    FakeForm readOnly;  // the box is still set; its own store failure is told too
    readOnly.settings.failWrites = true;
    readOnly.folderBrowser.answer = "/new";
    PushButton8_Click(readOnly.form);
    EXPECT_EQ(readOnly.folder.value, "/new/");
    ASSERT_EQ(readOnly.dialogs.messages.size(), 2u);
    EXPECT_THAT(readOnly.dialogs.messages[0].text, HasSubstr(std::string(kLocation) + "104"));
    EXPECT_THAT(readOnly.dialogs.messages[1].text, HasSubstr("could not be remembered"));
}

TEST(FolderBox, EveryChangeIsStoredAtOnce) {
    FakeForm fake;
    for (const char* text : {"/a", "/ab", "", "/abc/"}) fake.folder.setText(text);
    EXPECT_THAT(
        fake.settings.writes,
        ElementsAre(std::pair{kDownloadLocationKey, "/a"}, std::pair{kDownloadLocationKey, "/ab"},
                    std::pair{kDownloadLocationKey, ""}, std::pair{kDownloadLocationKey, "/abc/"}));
}

TEST(FolderBox, RefusedStoreIsReportedOnceUntilAWriteSucceeds) {
    FakeForm fake;
    fake.settings.failWrites = true;
    for (const char* text : {"/a", "/ab", "/abc"}) fake.folder.setText(text);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_THAT(fake.dialogs.messages[0].text, HasSubstr("settings read-only"));
    EXPECT_EQ(fake.dialogs.messages[0].style, platform::kMessageExclamation);
    EXPECT_EQ(fake.dialogs.messages[0].caption, "");  // the application title

    fake.settings.failWrites = false;
    fake.folder.setText("/abcd");
    fake.settings.failWrites = true;
    fake.folder.setText("/abcde");
    fake.folder.setText("/abcdef");
    EXPECT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_EQ(fake.settings.values[kDownloadLocationKey], "/abcd");
}

}  // namespace
}  // namespace orlenda
