#include "app/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "app/form1_layout.h"
#include "app/settings_keys.h"
#include "fakes/fake_form.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeForm;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr int kSecondsPerDay = 24 * 60 * 60;

// A time of day whose draw is, or is not, the one that opens the home page.
int SecondsDrawing(bool homePage) {
    for (int seconds = 0; seconds < kSecondsPerDay; ++seconds) {
        if ((DrawOneToHundred(seconds) == kHomePageDraw) == homePage) return seconds;
    }
    throw std::logic_error("no such time of day");
}

TEST(ApplicationTitle, CutsWholeWordsFromTheEndUntilFortyCharactersRemain) {
    const std::string word = "Ünïcödé ";  // 8 characters in 13 bytes
    const std::pair<std::string, std::string> cases[] = {
        {"Orlenda", "Orlenda"},
        {"Orlenda Web Site Snapshot Saver Professional Edition", "Orlenda Web Site Snapshot Saver"},
        {word + word + word + word + "Ünïcödé!", word + word + word + word + "Ünïcödé!"},
        {word + word + word + word + "Ünïcödé!!", word + word + word + "Ünïcödé"},
        {std::string(44, 'e') + "é", std::string(40, 'e')},  // one word: cut within it
        {"é" + std::string(44, 'e'), "é" + std::string(39, 'e')},
    };
    for (const auto& [name, title] : cases) EXPECT_EQ(ShortApplicationTitle(name), title);
}

TEST(DesktopFolder, GetsATrailingSeparatorUnlessItHasOne) {
    testing::FakeDesktop desktop;
    desktop.desktopFolderPath = "/home/ünï/Schreibtisch";
    EXPECT_EQ(DesktopFolderPath(desktop), "/home/ünï/Schreibtisch/");
    desktop.desktopFolderPath = "/";
    EXPECT_EQ(DesktopFolderPath(desktop), "/");
    desktop.desktopFolderPath = "";
    EXPECT_THROW(DesktopFolderPath(desktop), std::invalid_argument);
}

TEST(HomePageVisit, DrawsEveryNumberFromOneToHundredOverTheDay) {
    std::array<int, 102> drawn{};
    for (int seconds = 0; seconds < kSecondsPerDay; ++seconds) {
        ++drawn[static_cast<std::size_t>(std::clamp(DrawOneToHundred(seconds), 0, 101))];
    }
    EXPECT_EQ(drawn[0] + drawn[101], 0);
    for (int draw = 1; draw <= 100; ++draw) EXPECT_GT(drawn[draw], kSecondsPerDay / 200) << draw;
}

class FormLoad : public ::testing::Test {
protected:
    FormLoad() { fake.clock.seconds = SecondsDrawing(false); }

    FakeForm fake;
};

TEST_F(FormLoad, FirstStartStoresTheDesktopFolderAndReadiesTheWindow) {
    fake.files.files.push_back("/opt/orlenda/HAND-M.CUR");
    Form_Load(fake.form);

    EXPECT_EQ(fake.folder.value, "/home/u/Desktop/");
    EXPECT_THAT(fake.settings.writes,
                ElementsAre(std::pair{kDownloadLocationKey, "/home/u/Desktop/"}));
    EXPECT_EQ(fake.me.mouseIcon, "/opt/orlenda/HAND-M.CUR");
    EXPECT_EQ(fake.me.caption, "Orlenda");
    EXPECT_TRUE(fake.me.showsApplicationIcon);
    EXPECT_EQ(fake.desktop.applicationTitle, "Orlenda");
    EXPECT_THAT(fake.list.headers, ElementsAre(" Web Site(s)"));
    EXPECT_EQ(fake.list.firstColumnWidth, kListColumnWidthTwips);
    EXPECT_THAT(fake.me.journal, IsEmpty());  // no skin file, no skin
    EXPECT_THAT(fake.desktop.openedPages, IsEmpty());
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
}

TEST(FormLoadWithStoredFolder, ShowsItAsStoredEvenWhenEmpty) {
    for (const std::string stored : {"/gone/folder", ""}) {
        FakeForm fake;
        fake.clock.seconds = SecondsDrawing(false);
        fake.settings.values[kDownloadLocationKey] = stored;
        Form_Load(fake.form);
        EXPECT_EQ(fake.folder.value, stored);
        EXPECT_EQ(fake.settings.values[kDownloadLocationKey], stored);
    }
}

TEST_F(FormLoad, LuckyDrawOpensTheHomePage) {
    fake.clock.seconds = SecondsDrawing(true);
    Form_Load(fake.form);
    EXPECT_THAT(fake.desktop.openedPages, ElementsAre("https://www.orlenda.example/"));
    EXPECT_EQ(fake.folder.value, "/home/u/Desktop/");
}

struct FailingStep {
    const char* name;
    std::function<void(FakeForm&)> breakIt;
    int step;
    const char* folderAfter;
};

void PrintTo(const FailingStep& param, std::ostream* out) { *out << param.name; }

class FormLoadFailure : public FormLoad, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(FormLoadFailure, IsReportedWithItsStepAndStartUpGoesOn) {
    GetParam().breakIt(fake);
    Form_Load(fake.form);

    ASSERT_EQ(fake.dialogs.messages.size(), 1u);
    EXPECT_THAT(fake.dialogs.messages[0].text,
                HasSubstr("\r\nin Orlenda2021/08/31.Form1.Form_Load at line " +
                          std::to_string(GetParam().step) + "\r\r"));
    EXPECT_EQ(fake.folder.value, GetParam().folderAfter);
    EXPECT_EQ(fake.me.caption, "Orlenda");
    EXPECT_EQ(fake.list.firstColumnWidth, kListColumnWidthTwips);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FormLoadFailure,
    ::testing::Values(FailingStep{"RejectedSkin",
                                  [](FakeForm& fake) {
                                      fake.files.files.push_back("/opt/orlenda/x/o.cjs");
                                      fake.skin.failLoad = true;
                                  },
                                  100, "/home/u/Desktop/"},
                      FailingStep{"DamagedCursorFile",
                                  [](FakeForm& fake) {
                                      fake.files.files.push_back("/opt/orlenda/HAND-M.CUR");
                                      fake.me.failMouseIcon = true;
                                  },
                                  106, "/home/u/Desktop/"},
                      FailingStep{"NoBrowser",
                                  [](FakeForm& fake) {
                                      fake.clock.seconds = SecondsDrawing(true);
                                      fake.desktop.failOpen = true;
                                  },
                                  108, "/home/u/Desktop/"},
                      FailingStep{"UnreadableSettings",
                                  [](FakeForm& fake) { fake.settings.failReads = true; }, 128, ""},
                      // The default comes first, so the stored folder is not read either.
                      FailingStep{"NoDesktopFolder",
                                  [](FakeForm& fake) {
                                      fake.desktop.desktopFolderPath = "";
                                      fake.settings.values[kDownloadLocationKey] = "/srv/shots/";
                                  },
                                  128, ""}),
    [](const ::testing::TestParamInfo<FailingStep>& info) { return info.param.name; });

}  // namespace
}  // namespace orlenda
