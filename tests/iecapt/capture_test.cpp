// The tool against the real Chromium and pages served on 127.0.0.1, one run
// of it a case. Every case also checks that no process the tool started and
// no temporary folder outlives it. The tool always holds stray descriptors
// that the browser must not inherit (tool_process.h).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "capture_pages.h"
#include "test_http_server.h"
#include "test_support.h"
#include "tool_process.h"

namespace orlenda::iecapt::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The image format an output name asks for, as Qt names it.
std::string formatNamed(const std::string& path) {
    const std::string extension = fs::path(path).extension();
    return extension == ".png" ? "png" : extension == ".webp" ? "webp" : "jpeg";
}

// What lies at the output path before the tool runs.
enum class Before { OldFile, Fifo, Symlink, StaleProfile };

struct Capture {
    const char* name;
    std::vector<std::string> arguments;  // PORT and ROOT are filled in; --url, --out have defaults
    int status;                          // the exit code, or minus the signal that ended the tool
    std::string says;  // a part of the last line on standard error; "" for silence
    int width = 0;
    int height = 0;
    std::vector<Block> blocks = {};
    int signal = 0;  // sent once the browser runs
    Before before = Before::OldFile;
    int lines = -1;             // on standard error: one when it says something, else none
    std::string alsoSays = {};  // somewhere on standard error
    bool toolAlone = false;     // a copy of the tool without the files that ship beside it
};

void PrintTo(const Capture& row, std::ostream* out) { *out << row.name; }

class CaptureTest : public ::testing::TestWithParam<Capture> {
protected:
    void SetUp() override {
        for (const std::string& folder : {tempFolder(), outFolder(), homeFolder()}) {
            fs::create_directory(folder);
        }
        fs::create_directory(runtimeFolder());
        fs::permissions(runtimeFolder(), fs::perms::owner_all);
        std::ofstream(m_root / "local.html") << blocksPage();
        serveCapturePages(m_server);
    }

    void TearDown() override {
        if (m_tool > 0) {  // a test that stopped early
            ::kill(m_tool, SIGKILL);
            ::waitpid(m_tool, nullptr, 0);
        }
        EXPECT_TRUE(eventually([&] { return processesWithMarker(m_marker).empty(); }, 10s))
            << "a browser process outlived the tool";
        EXPECT_EQ(namesIn(tempFolder()), std::vector<std::string>{})
            << "the tool left a temporary folder";
        EXPECT_EQ(namesIn(homeFolder()), std::vector<std::string>{})
            << "the browser wrote into the user's home";
    }

    std::string tempFolder() const { return m_root / "tmp"; }
    std::string outFolder() const { return m_root / "out"; }
    std::string homeFolder() const { return m_root / "home"; }
    std::string runtimeFolder() const { return m_root / "run"; }
    std::string outPath() const { return outFolder() + "/shot.jpg"; }

    // What the row asks to find at the output path beforehand.
    void prepare(Before before) {
        switch (before) {
            case Before::Fifo:
                ASSERT_EQ(::mkfifo(outPath().c_str(), 0600), 0);
                break;
            case Before::Symlink:
                std::ofstream(outFolder() + "/target.txt") << "keep";
                fs::create_symlink(outFolder() + "/target.txt", outPath());
                break;
            case Before::StaleProfile:
                // Left by a tool that was killed: nobody holds its lock.
                fs::create_directories(tempFolder() + "/iecapt-Stale1/profile/Default");
                std::ofstream(tempFolder() + "/iecapt-Stale1/owner.lock");
                [[fallthrough]];
            case Before::OldFile:
                std::ofstream(outPath()) << "old";
                break;
        }
    }

    // After a failure: all as it was.
    void expectUntouched(Before before) {
        switch (before) {
            case Before::Fifo:
                EXPECT_TRUE(fs::is_fifo(outPath()));
                break;
            case Before::Symlink:
                EXPECT_TRUE(fs::is_symlink(outPath()));
                EXPECT_EQ(fileText(outFolder() + "/target.txt"), "keep");
                break;
            case Before::OldFile:
            case Before::StaleProfile:
                EXPECT_EQ(fileText(outPath()), "old");
                EXPECT_EQ(namesIn(outFolder()), std::vector<std::string>{"shot.jpg"});
                break;
        }
    }

    // Starts build/bin/iecapt in the output folder, with TMPDIR, HOME and the
    // runtime folder in the test's folder and a marker in the environment
    // every process it starts inherits. A capture host it starts ends with
    // the capture, so the test sees all it started end.
    void start(const std::string& program, const std::vector<std::string>& arguments) {
        m_tool = startTool(
            program, arguments,
            {"TMPDIR=" + tempFolder(), "HOME=" + homeFolder(), "XDG_RUNTIME_DIR=" + runtimeFolder(),
             "IECAPT_HOST_IDLE=0", "IECAPT_TEST_MARKER=" + m_marker},
            outFolder(), m_root / "stderr.txt");
    }

    TestHttpServer m_server;
    TestFolder m_root;
    const std::string m_marker = fs::path(m_root.path()).filename();
    pid_t m_tool = -1;
};

TEST_P(CaptureTest, WritesWhatThePageShowsOrKeepsTheOldImage) {
    const Capture& row = GetParam();
    std::vector<std::string> arguments = row.arguments;
    const auto given = [&](const std::string& option) {
        return std::ranges::find_if(arguments,
                                    [&](const auto& a) { return a.starts_with(option); });
    };
    if (given("--url=") == arguments.end()) arguments.push_back("--url=127.0.0.1:PORT/blocks.html");
    if (given("--out=") == arguments.end()) arguments.push_back("--out=shot.jpg");
    // Generous: these tests are about what the tool does, not how fast.
    if (given("--timeout=") == arguments.end()) arguments.push_back("--timeout=90");
    for (std::string& argument : arguments) {
        for (const auto& [mark, value] :
             {std::pair<std::string, std::string>{"PORT", std::to_string(m_server.port())},
              {"ROOT", m_root.path()},
              {"LISTING_BROWSER", DESCRIPTOR_LISTING_BROWSER}}) {
            if (const auto at = argument.find(mark); at != std::string::npos) {
                argument.replace(at, mark.size(), value);
            }
        }
    }
    const std::string written = outFolder() + "/" + given("--out=")->substr(6);
    prepare(row.before);
    std::string program = IECAPT_BINARY;
    if (row.toolAlone) {
        program = m_root / "alone";
        fs::copy_file(IECAPT_BINARY, program);
    }
    const auto started = std::chrono::steady_clock::now();
    start(program, arguments);
    if (row.signal != 0) {
        // A browser has started, in a profile in TMPDIR.
        ASSERT_TRUE(eventually(
            [&] {
                return processesWithMarker(m_marker).size() > 1 && !namesIn(tempFolder()).empty();
            },
            60s))
            << "not working in TMPDIR";
        std::this_thread::sleep_for(500ms);  // the browser is starting or loading
        ::kill(m_tool, row.signal);
    }
    // One that hangs is killed: its status fails the test.
    const int status = waitForTool(std::exchange(m_tool, -1), 120s);
    const auto elapsed = std::chrono::steady_clock::now() - started;
    const std::string said = fileText(m_root / "stderr.txt");
    EXPECT_EQ(status, row.status) << said;
    const auto lines = std::ranges::count(said, '\n');
    EXPECT_EQ(lines, row.lines >= 0 ? row.lines : !row.says.empty()) << said;
    // The caller shows the last line next to the failed row.
    const std::string lastLine = said.substr(said.rfind('\n', said.size() - 2) + 1);
    EXPECT_NE(lastLine.find(row.says), std::string::npos) << said;
    EXPECT_NE(said.find(row.alsoSays), std::string::npos) << said;
    if (row.signal == SIGKILL) {
        // The browser goes with its tool, which cannot remove its folder;
        // the next run does (see StaleProfileRemoved).
        ASSERT_TRUE(eventually([&] { return processesWithMarker(m_marker).empty(); }, 30s));
        fs::remove_all(tempFolder());
        fs::create_directory(tempFolder());
    }
    if (row.status != 0) {
        expectUntouched(row.before);
        EXPECT_LT(elapsed, 45s) << "not bounded by --timeout";
        return;
    }
    const Picture picture = readPicture(written);
    // What the file holds, whatever its name says.
    EXPECT_EQ(picture.format, formatNamed(written));
    const QImage& image = picture.image;
    ASSERT_FALSE(image.isNull()) << picture.error;
    EXPECT_EQ(image.size(), QSize(row.width, row.height));
    for (const Block& block : row.blocks) EXPECT_EQ(blockMissing(image, block), "");
}

constexpr Block kBlank = {300, 400, 10, 10, {255, 255, 255}};
// Left of the blocks, under the consent banner.
constexpr Block kWhereTheBannerWas = {0, 600, 200, 150, {255, 255, 255}};
constexpr std::array<int, 3> kRed = {255, 0, 0};
constexpr std::array<int, 3> kBlue = {0, 0, 255};

// One-pixel checks of the stripes on both sides of each join.
constexpr Block stripe(int y) { return {600, y, 1, 1, y % 2 ? kBlue : kRed}; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CaptureTest, ::testing::Values(
    Capture{"Blocks", {}, 0, "", 1024, 768, {kBlocks[0], kBlocks[1], kBlocks[2], kBlank}},
    Capture{"ViewportSize", {"--width=800", "--height=600", "--viewport-only"}, 0, "", 800, 600,
            {kBlocks[0], kBlocks[1]}},
    Capture{"WholePage", {"--url=127.0.0.1:PORT/tall.html"}, 0, "", 1024, kTallPageHeight,
            {kTallPageFoot}},
    Capture{"ViewportOnly", {"--url=127.0.0.1:PORT/tall.html", "--viewport-only", "--quality=40"},
            0, "", 1024, 768},
    Capture{"LazyImages", {"--url=127.0.0.1:PORT/lazy.html"}, 0, "", 1024, 4900,
            {kObservedImage, kLazyImage}},
    Capture{"RevealedOnScrolling", {"--url=127.0.0.1:PORT/reveal.html"}, 0, "", 1024, 4000,
            {kRevealed}},
    Capture{"SmoothScrollBackAtTheTop", {"--url=127.0.0.1:PORT/smooth.html"}, 0, "", 1024, 4900,
            {kNavbar, kBelowNavbar, kLazyImage}},
    Capture{"AnimationsEnded", {"--url=127.0.0.1:PORT/animated.html"}, 0, "", 1024, 768,
            {kDrawnBar, kFadedIn, kTransitioned}},
    Capture{"AppFetchesAfterWorking", {"--url=127.0.0.1:PORT/app.html"}, 0, "", 1024, 768,
            {kFetchedData}},
    // Settled well within the budget: no warning that it gave up waiting.
    Capture{"WorkerAndUnreadBodySettle", {"--url=127.0.0.1:PORT/worker.html", "--settle=20000"},
            0, "", 1024, 768, {kBlocks[0], kBlocks[2]}},
    Capture{"TimersBehaveAsTheBrowsersOwn", {"--url=127.0.0.1:PORT/timers.html"}, 0, "", 1024,
            768, {kTimersBehaved}},
    Capture{"TimerFetchTimerChain", {"--url=127.0.0.1:PORT/timer-chain.html"}, 0, "", 1024, 768,
            {kChainData}},
    // A busy machine, made so on purpose: the page's thread five times slower.
    Capture{"WorkerAnswerAwaited", {"--url=127.0.0.1:PORT/pages/worker-draws.html"}, 0, "", 1024,
            768, {kBlocks[0], kDrawnByScript}},
    Capture{"WorkerAnswerAwaitedOnASlowMachine",
            {"--url=127.0.0.1:PORT/pages/worker-draws.html", "--slow-cpu=5"}, 0, "", 1024, 768,
            {kBlocks[0], kDrawnByScript}},
    Capture{"TimerFetchTimerChainOnASlowMachine",
            {"--url=127.0.0.1:PORT/timer-chain.html", "--slow-cpu=5"}, 0, "", 1024, 768,
            {kChainData}},
    Capture{"AnimationsEndedOnASlowMachine",
            {"--url=127.0.0.1:PORT/animated.html", "--slow-cpu=5"}, 0, "", 1024, 768,
            {kDrawnBar, kFadedIn, kTransitioned}},
    // The clock's ticks and the timer due in a minute hold nothing back.
    Capture{"RepeatingAndLateTimersIgnored", {"--url=127.0.0.1:PORT/clock.html"}, 0, "", 1024,
            768, {kBlocks[0], kBlocks[2]}},
    Capture{"EndlessTimerChainGivenUp", {"--url=127.0.0.1:PORT/rearming.html"}, 0,
            "a timer that keeps setting itself again", 1024, 768, {kBlocks[0]}},
    Capture{"OneTrustBannerRejected", {"--url=127.0.0.1:PORT/onetrust.html"}, 0,
            "closed a consent banner (Onetrust)", 1024, 768,
            {kBlocks[0], kConsentChoice, kWhereTheBannerWas}},
    Capture{"CookiebotBannerDeclined", {"--url=127.0.0.1:PORT/cookiebot.html"}, 0,
            "closed a consent banner (", 1024, 768,
            {kBlocks[0], kConsentChoice, kWhereTheBannerWas}},
    Capture{"UnknownCookieBannerRejected", {"--url=127.0.0.1:PORT/cookies.html"}, 0,
            "closed a consent banner (", 1024, 768,
            {kBlocks[0], kConsentChoice, kWhereTheBannerWas}},
    Capture{"ConsentRulesMissing", {"--url=127.0.0.1:PORT/onetrust.html"}, 0,
            "the consent-banner rules are missing", 1024, 768, {kBlocks[0], kConsentBanner}, 0,
            Before::OldFile, 1, "", true},
    Capture{"BannerKeptOnRequest",
            {"--url=127.0.0.1:PORT/onetrust.html", "--keep-consent-banners"}, 0, "", 1024, 768,
            {kBlocks[0], kConsentBanner}},
    Capture{"EndlessFramesAreCapturedAfterTheBudget",
            {"--url=127.0.0.1:PORT/busy.html", "--settle=500"}, 0, "still changing after 500 ms",
            1024, 768, {kBlocks[1]}, 0, Before::OldFile, 1, "animation frames"},
    // Time enough after the cut-off to settle, however fast the browser starts.
    Capture{"StalledImageCapturedAfterAThirdOfTheTimeOut",
            {"--url=127.0.0.1:PORT/endless.html", "--timeout=6"}, 0,
            "had not all come after 2 s", 1024, 768, {kBlocks[0], kBlocks[2]}},
    // Hostile pages: none can see, break or fool the tool's own scripts.
    Capture{"PageClocksLie", {"--url=127.0.0.1:PORT/pages/clock-override.html"}, 0, "", 1024,
            768, {kBlocks[0], kDrawnByScript}},
    Capture{"StackTracesLocked", {"--url=127.0.0.1:PORT/pages/locked-stack-trace.html"}, 0, "",
            1024, 768, {kBlocks[0], kDrawnByScript}},
    Capture{"TimersLookNative", {"--url=127.0.0.1:PORT/pages/native-timers.html"}, 0, "", 1024,
            768, {kDrawnByScript}},
    Capture{"BannerComesBackAndIsHidden", {"--url=127.0.0.1:PORT/pages/banner-returns.html"}, 0,
            "hid a consent banner (Onetrust)", 1024, 768,
            {kBlocks[0], kConsentChoice, kWhereTheBannerWas}},
    Capture{"BannerAnswerWouldLeaveThePage", {"--url=127.0.0.1:PORT/pages/banner-leaves.html"}, 0,
            "would have left the page", 1024, 768, {kBlocks[0], kConsentBanner}},
    Capture{"PageLoadsItselfAgainAndAgain", {"--url=127.0.0.1:PORT/pages/self-navigating.html"},
            0, "still changing", 1024, 768, {kBlocks[0]}},
    Capture{"DialogsDismissed", {"--url=127.0.0.1:PORT/dialogs.html"}, 0, "", 1024, 768,
            {kBlocks[0], kBlocks[1], kBlocks[2]}},
    Capture{"PopupsLeftAlone", {"--url=127.0.0.1:PORT/popup.html"}, 0, "", 1024, 768,
            {kBlocks[0], kBlocks[1], kBlocks[2]}},
    Capture{"NotFoundAsSent", {"--url=http://127.0.0.1:PORT/missing.html"}, 0,
            "the server answered 404 Not Found", 1024, 768, {kBlocks[2]}},
    Capture{"EmptyServerError", {"--url=127.0.0.1:PORT/gone.html"}, 0, "500", 1024, 768},
    // The server listens on 127.0.0.1 only.
    Capture{"Refused", {"--url=127.0.0.2:PORT/"}, 4, "ERR_CONNECTION_REFUSED"},
    Capture{"ScriptMovesToARefusedAddress", {"--url=127.0.0.1:PORT/leave.html"}, 4,
            "the server refused the connection (net::ERR_CONNECTION_REFUSED)"},
    Capture{"RedirectToAFile", {"--url=127.0.0.1:PORT/to-file"}, 4, "not a web page"},
    Capture{"LoginAskedFor", {"--url=127.0.0.1:PORT/login"}, 4, "the site asks for a login"},
    Capture{"PdfDocument", {"--url=127.0.0.1:PORT/doc.pdf"}, 4, "is a PDF document"},
    Capture{"DownloadRefused", {"--url=127.0.0.1:PORT/file.zip"}, 4, "a file download"},
    Capture{"LocalFileRefused", {"--url=file:///etc/passwd"}, 2, "--allow-file-urls"},
    Capture{"BrowserPageRefused", {"--url=chrome://version"}, 2, "not chrome:"},
    Capture{"ScriptAddressRefused", {"--url=javascript:alert(1)"}, 2, "not javascript:"},
    Capture{"LocalFileOnPurpose", {"--url=file://ROOT/local.html", "--allow-file-urls"}, 0, "",
            1024, 768, {kBlocks[0], kBlocks[1]}},
    Capture{"TallerThanTheWindowMayBe", {"--url=127.0.0.1:PORT/very-tall.html"}, 0, "", 1024,
            20000, {kVeryTallPageBand}},
    // One shot: exact where older browsers cut it into parts, to the last stripe.
    Capture{"OneShotWithoutSeams", {"--url=127.0.0.1:PORT/stripes-40000.html", "--out=shot.png"},
            0, "", 1024, 40000,
            {stripe(16382), stripe(16383), stripe(16384), stripe(16385), stripe(32766),
             stripe(32767), stripe(32768), stripe(32769), stripe(39998), stripe(39999),
             kJoinBlocks[0], kJoinBlocks[1]}},
    Capture{"OneJpegShot", {"--url=127.0.0.1:PORT/stripes-40000.html"}, 0, "", 1024, 40000,
            {kJoinBlocks[0], kJoinBlocks[1]}},
    // Twice as wide: more pixels than one shot takes, so two parts joined at 32750.
    Capture{"JoinedWithoutSeams",
            {"--url=127.0.0.1:PORT/stripes-40000.html", "--out=shot.png", "--width=2048"}, 0, "",
            2048, 40000,
            {stripe(32748), stripe(32749), stripe(32750), stripe(32751), stripe(39998),
             stripe(39999), kJoinBlocks[0], kJoinBlocks[1]}},
    Capture{"JoinedAsJpeg", {"--url=127.0.0.1:PORT/stripes-40000.html", "--width=2048"}, 0, "",
            2048, 40000, {kJoinBlocks[0], kJoinBlocks[1]}},
    Capture{"CutAtTheJpegLimit", {"--url=127.0.0.1:PORT/long-100000.html"}, 0,
            "the page is 100,000 px high; the picture shows its top 65,500 px", 1024, 65500,
            {kBandAbove65500}},
    Capture{"CutAtTheSide", {"--url=127.0.0.1:PORT/wide.html"}, 0,
            "the page is 1,600 px wide; the picture shows its left 1,024 px", 1024, 768},
    Capture{"CutAtMaxHeight", {"--url=127.0.0.1:PORT/tall.html", "--max-height", "1000"}, 0,
            "its top 1,000 px", 1024, 1000},
    Capture{"WebP", {"--out=shot.webp"}, 0, "", 1024, 768, {kBlocks[0], kBlocks[2]}},
    // More pixels than one shot takes: still one WebP, which the join cannot write.
    Capture{"WebPAtItsLimit",
            {"--url=127.0.0.1:PORT/very-tall.html", "--width=4096", "--out=shot.webp"}, 0,
            "the page is 20,000 px high; the picture shows its top 16,383 px", 4096, 16383,
            {kVeryTallPageBand}},
    Capture{"UnknownFormatRefused", {"--out=shot.gif"}, 2, ".jpg, .jpeg, .png or .webp"},
    Capture{"DocumentNeverComes", {"--url=127.0.0.1:PORT/never", "--timeout=3"}, 5,
            "timed out after 3 s while loading the page"},
    Capture{"TimingsAddUpOnATimeOut", {"--url=127.0.0.1:PORT/never", "--timeout=3", "--timings"},
            5, "while loading the page", 0, 0, {}, 0, Before::OldFile, 2, ", load "},
    Capture{"BadWidth", {"--width=wide"}, 2, "--width"},
    Capture{"BlankAddress", {"--url=%20 "}, 2, "empty"},
    Capture{"MissingFolder", {"--out=no/x.jpg"}, 6, "No such file"},
    Capture{"OutputIsAFolder", {"--out=."}, 6, "it is a folder"},
    Capture{"OutputIsAFifo", {}, 6, "it is a FIFO", 0, 0, {}, 0, Before::Fifo},
    Capture{"OutputIsASymlink", {}, 6, "it is a symbolic link", 0, 0, {}, 0, Before::Symlink},
    Capture{"OutputIsADevice", {"--out=/dev/null"}, 6, "it is a device"},
    Capture{"StaleProfileRemoved", {}, 0, "", 1024, 768, {kBlocks[0]}, 0, Before::StaleProfile},
    // The full browser, which the tool falls back on: headless too, with a
    // window of its own, a PDF viewer and a popup blocker.
    Capture{"FullBrowser", {"--browser=chromium"}, 0, "", 1024, 768,
            {kBlocks[0], kBlocks[1], kBlocks[2], kBlank}},
    Capture{"FullBrowserOneShot",
            {"--browser=chromium", "--url=127.0.0.1:PORT/stripes-40000.html", "--out=shot.png"},
            0, "", 1024, 40000,
            {stripe(16383), stripe(16384), stripe(39998), stripe(39999), kJoinBlocks[0],
             kJoinBlocks[1]}},
    Capture{"FullBrowserPopupsBlocked", {"--browser=chromium", "--url=127.0.0.1:PORT/popup.html"},
            0, "", 1024, 768, {kBlocks[0], kBlocks[2]}},
    Capture{"FullBrowserPdfDocument", {"--browser=chromium", "--url=127.0.0.1:PORT/doc.pdf"}, 4,
            "is a PDF document"},
    Capture{"FullBrowserLoginAskedFor", {"--browser=chromium", "--url=127.0.0.1:PORT/login"}, 4,
            "the site asks for a login"},
    Capture{"NoSuchBrowser", {"--browser=/no/chromium"}, 3, "/no/chromium"},
    // ls refuses the browser's flags: its last words end the message.
    Capture{"BrowserQuits", {"--browser=/bin/ls"}, 3, "ls --help"},
    Capture{"BrowserInheritsOnlyItsPipe", {"--browser=LISTING_BROWSER"}, 3,
            "the browser quit while starting (descriptors: 0 1 2 3 4)"},
    Capture{"Terminated", {"--delay=3000"}, -SIGTERM, "nothing written", 0, 0, {}, SIGTERM},
    Capture{"Killed", {"--delay=3000"}, -SIGKILL, "", 0, 0, {}, SIGKILL},
    // What a closing terminal or session sends.
    Capture{"HungUp", {"--delay=3000"}, 0, "", 1024, 768, {kBlocks[0], kBlocks[1], kBlocks[2]},
            SIGHUP}),
    ::testing::PrintToStringParamName());
// clang-format on

}  // namespace
}  // namespace orlenda::iecapt::testing
