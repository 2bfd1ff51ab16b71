#include "startup/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "fakes/fake_form.h"
#include "form/form1_layout.h"
#include "form/settings_keys.h"
#include "support/platform_path.h"

namespace orlenda {
namespace {

using ::testing::ElementsAre;
using testing::FakeForm;
using testing::PlatformPath;

constexpr int kSecondsPerDay = 24 * 60 * 60;
const std::string kSkinPath = PlatformPath("/opt/orlenda/x/o.cjs");
const std::string kCursorPath = PlatformPath("/opt/orlenda/HAND-M.CUR");

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

TEST(HomePageVisit, DrawsEveryNumberFromOneToHundredOverTheDay) {
    std::array<int, 102> drawn{};
    for (int seconds = 0; seconds < kSecondsPerDay; ++seconds) {
        ++drawn[static_cast<std::size_t>(std::clamp(DrawOneToHundred(seconds), 0, 101))];
    }
    EXPECT_EQ(drawn[0] + drawn[101], 0);
    for (int draw = 1; draw <= 100; ++draw) EXPECT_GT(drawn[draw], kSecondsPerDay / 200) << draw;
}

// Only a lucky draw with a home page set at build time opens it.
TEST(HomePageVisit, OpensTheHomePageOnlyOnTheLuckyDrawAndOnlyWhenThereIsOne) {
    const std::tuple<bool, std::string, std::vector<std::string>> visits[] = {
        {true, "https://maker.example/", {"https://maker.example/"}},
        {false, "https://maker.example/", {}},
        {true, "", {}},
    };
    for (const auto& [luckyDraw, homePage, opened] : visits) {
        testing::FakeDesktop desktop;
        VisitHomePageByChance(desktop, SecondsDrawing(luckyDraw), homePage);
        EXPECT_EQ(desktop.openedPages, opened) << luckyDraw << " " << homePage;
    }
}

TEST(DesktopFolderPath, FallsBackToThePicturesThenTheHomeFolderOnAFreshAccount) {
    struct Account {
        const char* name;
        std::vector<std::string> folders;  // those that are there
        std::string desktop = PlatformPath("/home/u/Desktop");
        std::string expected;
    };
    const std::string home = PlatformPath("/home/u"), desktop = PlatformPath("/home/u/Desktop"),
                      pictures = PlatformPath("/home/u/Pictures");
    const std::string separator(1, platform::kPathSeparator);
    const Account accounts[] = {
        {.name = "desktop", .folders = {desktop, pictures, home}, .expected = desktop + separator},
        {.name = "no desktop yet", .folders = {pictures, home}, .expected = pictures + separator},
        {.name = "neither desktop nor pictures", .folders = {home}, .expected = home + separator},
        // Start then says plainly that the folder does not exist.
        {.name = "no home either", .folders = {}, .expected = desktop + separator},
        {.name = "desktop names none",
         .folders = {home},
         .desktop = "",
         .expected = home + separator},
    };
    for (const Account& account : accounts) {
        SCOPED_TRACE(account.name);
        FakeForm fake;
        fake.desktop.desktopFolderPath = account.desktop;
        fake.files.folders = account.folders;
        EXPECT_EQ(DesktopFolderPath(fake.desktop, fake.files), account.expected);
    }
}

TEST(FormLoad, ShowsTheFolderAndReadiesTheWindowWhateverStepFails) {
    struct Start {
        const char* name;
        const char* stored = nullptr;  // the output folder of the last run
        std::string desktop = PlatformPath("/home/u/Desktop");
        bool cursorFile = false, skinFolder = false, luckyDraw = false;
        bool badSkin = false, badCursor = false, noBrowser = false, unreadableStore = false;
        std::string box = PlatformPath("/home/u/Desktop/");
        int step = 0;
    };
    const Start starts[] = {
        {.name = "first start"},
        {.name = "desktop at the root", .desktop = PlatformPath("/"), .box = PlatformPath("/")},
        {.name = "stored folder", .stored = "/gone/folder", .box = "/gone/folder"},
        {.name = "stored empty folder", .stored = "", .box = ""},
        {.name = "hand cursor file", .cursorFile = true},
        {.name = "a folder named like the skin", .skinFolder = true},
        {.name = "lucky draw", .luckyDraw = true},
        {.name = "rejected skin", .badSkin = true, .step = 100},
        {.name = "damaged cursor file", .cursorFile = true, .badCursor = true, .step = 106},
        {.name = "no browser", .luckyDraw = true, .noBrowser = true, .step = 108},
        {.name = "unreadable store", .unreadableStore = true, .box = "", .step = 128},
        // The default comes first, so the stored folder is not read either.
        {.name = "no desktop folder", .stored = "/srv/", .desktop = "", .box = "", .step = 128},
    };
    // The home page is set at build time; without one no browser is asked for.
    const std::vector<std::string> homePage{kHomePageAddress}, none;
    const bool hasHomePage = !homePage[0].empty();
    for (const Start& start : starts) {
        SCOPED_TRACE(start.name);
        FakeForm fake;
        if (start.stored) fake.settings.values[kDownloadLocationKey] = start.stored;
        fake.desktop.desktopFolderPath = start.desktop;
        if (start.cursorFile) fake.files.files.push_back(kCursorPath);
        if (start.skinFolder) fake.files.folders.push_back(kSkinPath);
        if (start.skinFolder || start.badSkin) fake.files.files.push_back(kSkinPath);
        fake.clock.seconds = SecondsDrawing(start.luckyDraw);
        fake.skin.failLoad = start.badSkin;
        fake.me.failMouseIcon = start.badCursor;
        fake.desktop.failOpen = start.noBrowser;
        fake.settings.failReads = start.unreadableStore;

        Form_Load(fake.form);

        EXPECT_EQ(fake.folder.value, start.box);
        EXPECT_EQ(fake.me.mouseIcon, start.cursorFile && !start.badCursor ? kCursorPath : "");
        EXPECT_EQ(fake.desktop.openedPages,
                  start.luckyDraw && !start.noBrowser && hasHomePage ? homePage : none);
        EXPECT_EQ(fake.me.journal.empty(), !start.badSkin);
        const int step = start.noBrowser && !hasHomePage ? 0 : start.step;
        ASSERT_EQ(fake.dialogs.messages.size(), step ? 1u : 0u);
        if (step) {
            EXPECT_THAT(fake.dialogs.messages[0].text,
                        ::testing::HasSubstr("\r\nin Orlenda2021/08/31.Form1.Form_Load at line " +
                                             std::to_string(step) + "\r\r"));
        }
        EXPECT_EQ(fake.me.caption, "Orlenda");
        EXPECT_TRUE(fake.me.showsApplicationIcon);
        EXPECT_EQ(fake.desktop.applicationTitle, "Orlenda");
        EXPECT_THAT(fake.list.headers, ElementsAre(" Web Site(s)"));
        EXPECT_EQ(fake.list.firstColumnWidth, kListColumnWidthTwips);
    }
}

// An installed program's folder is no user's to write in: the skin may also
// lie beside the settings (when they are a file); the program's own comes first.
TEST(FormLoad, TakesTheSkinNextToTheProgramElseTheOneBesideTheSettings) {
    const std::string settings = PlatformPath("/home/u/.config/Tovrik");
    const std::string besideSettings = PlatformPath("/home/u/.config/Tovrik/x/o.cjs");
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{kSkinPath, besideSettings}, settings, "loadSkin(" + kSkinPath + ")"},
        {{besideSettings}, settings, "loadSkin(" + besideSettings + ")"},
        {{besideSettings}, "", "(none)"},  // the registry
    };
    for (const auto& [skins, settingsFolder, loaded] : cases) {
        FakeForm fake;
        fake.files.files = skins;
        fake.settings.folder = settingsFolder;
        Form_Load(fake.form);
        const auto& calls = fake.me.journal;
        const auto load = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
            return call.starts_with("loadSkin(");
        });
        EXPECT_EQ(load == calls.end() ? "(none)" : *load, loaded);
    }
}

TEST(FormLoad, SkinFileRecoloursThenLoadsSetsOptionsAndAttachesTheSkin) {
    using platform::ControlKind;
    FakeForm fake;
    fake.files.files.push_back(kSkinPath);
    fake.me.controls = {ControlKind::Other, ControlKind::Frame, ControlKind::Other};
    fake.skin.bits = 0x40000102;
    Form_Load(fake.form);

    const std::string face = std::to_string(platform::kColourButtonFace) + ")";
    EXPECT_THAT(
        fake.me.journal,
        ElementsAre("setBackColor(" + face, "setControlBackColor(1, " + face,
                    "loadSkin(" + kSkinPath + ")", "setOptions(" + std::to_string(0x40000103) + ")",
                    "setSkinAllWindows(true)", "setKeepWindowColours(true)", "attachToWindow"));
    EXPECT_EQ(fake.skin.attachedTo, &fake.me);
}

}  // namespace
}  // namespace orlenda
