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

struct TitleCase {
    std::string name;
    std::string title;
};

TEST(ApplicationTitle, CutsWholeWordsFromTheEndUntilFortyCharactersRemain) {
    const std::string accented = "Ünïcödé ";  // 8 characters, 13 bytes
    const TitleCase cases[] = {
        {"Orlenda", "Orlenda"},
        {std::string(40, 'a'), std::string(40, 'a')},
        {"Orlenda Web Site Snapshot Saver Professional Edition", "Orlenda Web Site Snapshot Saver"},
        {std::string(35, 'a') + " bcd efgh", std::string(35, 'a') + " bcd"},
        {accented + accented + accented + accented + "Ünïcödé",
         accented + accented + accented + accented + "Ünïcödé"},
        {accented + accented + accented + accented + "Ünïcödé!!",
         accented + accented + accented + "Ünïcödé"},
        {std::string(41, 'x'), std::string(40, 'x')},
        {std::string(44, 'e') + "\xC3\xA9", std::string(40, 'e')},
        {"\xC3\xA9" + std::string(44, 'e'), "\xC3\xA9" + std::string(39, 'e')},
    };
    for (const TitleCase& c : cases) EXPECT_EQ(ShortApplicationTitle(c.name), c.title) << c.name;
}

TEST(ApplicationTitle, IsTheShortProductName) {
    testing::FakeDesktop desktop;
    SetApplicationTitle(desktop);
    EXPECT_EQ(desktop.applicationTitle, "Orlenda");
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
    std::array<int, 101> drawn{};
    for (int seconds = 0; seconds < kSecondsPerDay; ++seconds) {
        const int draw = DrawOneToHundred(seconds);
        ASSERT_GE(draw, 1);
        ASSERT_LE(draw, 100);
        ++drawn[static_cast<std::size_t>(draw)];
    }
    for (int draw = 1; draw <= 100; ++draw) {
        EXPECT_GT(drawn[static_cast<std::size_t>(draw)], kSecondsPerDay / 100 / 2) << draw;
    }
    EXPECT_EQ(DrawOneToHundred(4711), DrawOneToHundred(4711));
}

TEST(HomePageVisit, OpensTheHomePageOnlyOnTheLuckyDraw) {
    testing::FakeDesktop desktop;
    VisitHomePageByChance(desktop, SecondsDrawing(false));
    EXPECT_THAT(desktop.openedPages, IsEmpty());
    VisitHomePageByChance(desktop, SecondsDrawing(true));
    EXPECT_THAT(desktop.openedPages, ElementsAre("https://www.orlenda.example/"));
}

class FormLoad : public ::testing::Test {
protected:
    FormLoad() { fake.clock.seconds = SecondsDrawing(false); }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : fake.dialogs.messages) texts.push_back(message.text);
        return texts;
    }

    FakeForm fake;
};

TEST_F(FormLoad, FirstStartStoresTheDesktopFolderAndReadiesTheWindow) {
    Form_Load(fake.form);

    EXPECT_EQ(fake.folder.value, "/home/u/Desktop/");
    EXPECT_THAT(fake.settings.writes,
                ElementsAre(std::pair{kDownloadLocationKey, "/home/u/Desktop/"}));
    EXPECT_EQ(fake.me.caption, "Orlenda");
    EXPECT_TRUE(fake.me.showsApplicationIcon);
    EXPECT_EQ(fake.desktop.applicationTitle, "Orlenda");
    EXPECT_THAT(fake.list.headers, ElementsAre(" Web Site(s)"));
    EXPECT_EQ(fake.list.firstColumnWidth, kListColumnWidthTwips);
    EXPECT_THAT(fake.list.rows, IsEmpty());
    EXPECT_EQ(fake.me.mouseIcon, "");
    EXPECT_THAT(fake.me.journal, IsEmpty());  // no skin file, no skin
    EXPECT_THAT(fake.desktop.openedPages, IsEmpty());
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
}

TEST_F(FormLoad, StoredFolderIsShownAndAStoredEmptyOneStaysEmpty) {
    for (const std::string stored : {"/srv/shots/", "/gone/folder", ""}) {
        FakeForm start;
        start.clock.seconds = fake.clock.seconds;
        start.settings.values[kDownloadLocationKey] = stored;
        Form_Load(start.form);
        EXPECT_EQ(start.folder.value, stored);
        EXPECT_EQ(start.settings.values[kDownloadLocationKey], stored);
        EXPECT_THAT(start.dialogs.messages, IsEmpty());
    }
}

TEST_F(FormLoad, LoadsTheHandPointerFromNextToTheProgram) {
    fake.files.files.push_back("/opt/orlenda/HAND-M.CUR");
    Form_Load(fake.form);
    EXPECT_EQ(fake.me.mouseIcon, "/opt/orlenda/HAND-M.CUR");
    EXPECT_THAT(fake.dialogs.messages, IsEmpty());
}

TEST_F(FormLoad, OpensTheHomePageOnTheLuckyDrawAndStillReadiesTheWindow) {
    fake.clock.seconds = SecondsDrawing(true);
    Form_Load(fake.form);
    EXPECT_THAT(fake.desktop.openedPages, ElementsAre(kHomePageAddress));
    EXPECT_EQ(fake.me.caption, "Orlenda");
    EXPECT_EQ(fake.folder.value, "/home/u/Desktop/");
}

struct FailingStep {
    const char* name;
    std::function<void(FakeForm&)> breakIt;
    int step;
};

void PrintTo(const FailingStep& param, std::ostream* out) { *out << param.name; }

class FormLoadFailure : public FormLoad, public ::testing::WithParamInterface<FailingStep> {};

// Every failure is reported with its step and start-up goes on to the end.
TEST_P(FormLoadFailure, IsReportedWithItsStepAndStartUpGoesOn) {
    GetParam().breakIt(fake);
    Form_Load(fake.form);

    ASSERT_EQ(fake.dialogs.messages.size(), 1u) << ::testing::PrintToString(messageTexts());
    EXPECT_THAT(fake.dialogs.messages[0].text,
                HasSubstr("\r\nin Orlenda2021/08/31.Form1.Form_Load at line " +
                          std::to_string(GetParam().step) + "\r\r"));
    EXPECT_EQ(fake.dialogs.messages[0].caption, "Application Error");
    EXPECT_EQ(fake.me.caption, "Orlenda");
    EXPECT_THAT(fake.list.headers, ElementsAre(" Web Site(s)"));
    EXPECT_EQ(fake.list.firstColumnWidth, kListColumnWidthTwips);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FormLoadFailure,
    ::testing::Values(FailingStep{"RejectedSkin",
                                  [](FakeForm& fake) {
                                      fake.files.files.push_back("/opt/orlenda/x/o.cjs");
                                      fake.skin.failLoad = true;
                                  },
                                  100},
                      FailingStep{"DamagedCursorFile",
                                  [](FakeForm& fake) {
                                      fake.files.files.push_back("/opt/orlenda/HAND-M.CUR");
                                      fake.me.failMouseIcon = true;
                                  },
                                  106},
                      FailingStep{"NoBrowser",
                                  [](FakeForm& fake) {
                                      fake.clock.seconds = SecondsDrawing(true);
                                      fake.desktop.failOpen = true;
                                  },
                                  108},
                      FailingStep{"UnreadableSettings",
                                  [](FakeForm& fake) { fake.settings.failReads = true; }, 128},
                      FailingStep{"NoDesktopFolder",
                                  [](FakeForm& fake) {
                                      fake.desktop.desktopFolderPath = "";
                                      fake.settings.values[kDownloadLocationKey] = "/srv/shots/";
                                  },
                                  128}),
    [](const ::testing::TestParamInfo<FailingStep>& info) { return info.param.name; });

TEST_F(FormLoad, WithoutADesktopFolderTheStoredFolderIsNotReadEither) {
    fake.desktop.desktopFolderPath = "";
    fake.settings.values[kDownloadLocationKey] = "/srv/shots/";
    Form_Load(fake.form);
    EXPECT_EQ(fake.folder.value, "");
    EXPECT_EQ(fake.settings.values[kDownloadLocationKey], "/srv/shots/");
}

TEST_F(FormLoad, RefusedStoreIsReportedOnceAndTheDefaultStillShows) {
    fake.settings.failWrites = true;
    Form_Load(fake.form);
    EXPECT_EQ(fake.folder.value, "/home/u/Desktop/");
    EXPECT_THAT(messageTexts(), ElementsAre(HasSubstr("could not be remembered")));
    EXPECT_THAT(fake.list.headers, ElementsAre(" Web Site(s)"));
}

TEST(FormUnload, EndsTheProgram) {
    FakeForm fake;
    Form_Unload(fake.form);
    EXPECT_EQ(fake.desktop.endCount, 1);
}

}  // namespace
}  // namespace orlenda
