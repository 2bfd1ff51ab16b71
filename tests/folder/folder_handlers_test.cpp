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

struct Pick {
    const char* name;
    const char* chosen;
    const char* box;
};

void PrintTo(const Pick& param, std::ostream* out) { *out << param.name; }

class FolderPick : public ::testing::TestWithParam<Pick> {};

TEST_P(FolderPick, FillsTheBoxAndRemembersBothSettings) {
    FakeForm fake;
    fake.settings.values[kLastFolderKey] = "/home/u/last";
    fake.folderBrowser.answer = GetParam().chosen;

    PushButton8_Click(fake.form);

    ASSERT_EQ(fake.folderBrowser.requests.size(), 1u);
    EXPECT_EQ(fake.folderBrowser.requests[0].title, "Please select folder:");
    EXPECT_EQ(fake.folderBrowser.requests[0].start, "/home/u/last");
    EXPECT_EQ(fake.folderBrowser.owners[0], &fake.me);
    EXPECT_EQ(fake.folder.value, GetParam().box);
    EXPECT_EQ(fake.settings.values[kLastFolderKey], GetParam().chosen);
    EXPECT_EQ(fake.settings.values[kDownloadLocationKey], GetParam().box);
    EXPECT_EQ(fake.form.LastFolder, GetParam().chosen);
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Browse, FolderPick,
    ::testing::Values(Pick{"Plain", "/home/u/Shots", "/home/u/Shots/"}, Pick{"Root", "/", "/"},
                      Pick{"AlreadyEndsWithSeparator", "/srv/out/", "/srv/out/"},
                      Pick{"Blanks", "/home/u/My Shots", "/home/u/My Shots/"}),
    [](const ::testing::TestParamInfo<Pick>& info) { return info.param.name; });

TEST(FolderBrowse, StartsAtTheFolderPickedLastNotAtTheBox) {
    FakeForm fake;
    fake.folder.value = "/restored/";
    PushButton8_Click(fake.form);
    fake.settings.values[kLastFolderKey] = "/picked";
    PushButton8_Click(fake.form);
    ASSERT_EQ(fake.folderBrowser.requests.size(), 2u);
    EXPECT_EQ(fake.folderBrowser.requests[0].start, "");
    EXPECT_EQ(fake.folderBrowser.requests[1].start, "/picked");
}

TEST(FolderBrowse, CancelChangesNothing) {
    FakeForm fake;
    fake.folder.value = "/box/";
    fake.settings.values = {{kLastFolderKey, "/last"}, {kDownloadLocationKey, "/box/"}};
    PushButton8_Click(fake.form);
    EXPECT_EQ(fake.folder.value, "/box/");
    EXPECT_THAT(fake.settings.writes, IsEmpty());
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
}

TEST(FolderBrowse, FailedReadStillOpensTheDialogAtTheFolderPickedBefore) {
    FakeForm fake;
    fake.form.LastFolder = "/before";
    fake.settings.failReads = true;
    fake.folderBrowser.answer = "/new";
    PushButton8_Click(fake.form);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_THAT(fake.dialogs.messages[0].text, HasSubstr(std::string(kLocation) + "100"));
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Application Error");
    EXPECT_EQ(fake.folderBrowser.requests[0].start, "/before");
    EXPECT_EQ(fake.folder.value, "/new/");
}

TEST(FolderBrowse, FailedDialogEndsTheClickWithoutChanges) {
    FakeForm fake;
    fake.folderBrowser.fail = true;
    fake.folderBrowser.answer = "/never";
    PushButton8_Click(fake.form);
    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_THAT(fake.dialogs.messages[0].text, HasSubstr(std::string(kLocation) + "100"));
    EXPECT_EQ(fake.folder.value, "");
    EXPECT_THAT(fake.settings.writes, IsEmpty());
}

TEST(FolderBrowse, RefusedStoreIsReportedAndTheBoxIsStillSet) {
    FakeForm fake;
    fake.settings.failWrites = true;
    fake.folderBrowser.answer = "/new";
    PushButton8_Click(fake.form);
    EXPECT_EQ(fake.folder.value, "/new/");
    ASSERT_EQ(fake.dialogs.messages.size(), 2u);
    EXPECT_THAT(fake.dialogs.messages[0].text, HasSubstr(std::string(kLocation) + "104"));
    EXPECT_THAT(fake.dialogs.messages[1].text, HasSubstr("could not be remembered"));
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
