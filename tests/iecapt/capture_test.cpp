// The tool against the real Chromium and pages served on 127.0.0.1, one run
// of it a case. Every case also checks that no process the tool started and
// no temporary folder outlives it. The tool always holds stray descriptors
// that the browser must not inherit. Then the capture host: captures in a
// row or at once share its browser and nothing else, and whatever is wrong
// with it, a capture comes out as without one.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <QImage>
#include <QImageReader>
#include <csignal>
#include <cstring>
#include <thread>

#include "capture_pages.h"
#include "test_http_server.h"
#include "test_support.h"

extern char** environ;

namespace orlenda::iecapt::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The live processes that inherited the marker (a zombie's environment
// cannot be read): never found by name, as other browsers run too.
std::vector<pid_t> processesWithMarker(const std::string& marker) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string environment = fileText(entry.path() / "environ");
        if (environment.find("IECAPT_TEST_MARKER=" + marker + '\0') != std::string::npos) {
            found.push_back(std::stoi(entry.path().filename()));
        }
    }
    return found;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The image format an output name asks for, as Qt names it.
std::string formatNamed(const std::string& path) {
    const std::string extension = fs::path(path).extension();
    return extension == ".png" ? "png" : extension == ".webp" ? "webp" : "jpeg";
}

// "" when the picture shows the block's colour at its middle, give or take
// what JPEG loses; else what it shows there.
std::string blockMissing(const QImage& image, const Block& block) {
    const QColor seen =
        image.pixelColor(block.left + block.width / 2, block.top + block.height / 2);
    const QColor expected(block.colour[0], block.colour[1], block.colour[2]);
    const int off =
        std::max({std::abs(seen.red() - expected.red()), std::abs(seen.green() - expected.green()),
                  std::abs(seen.blue() - expected.blue())});
    if (off <= 40) return "";
    return seen.name().toStdString() + " where " + expected.name().toStdString() + " belongs, at " +
           std::to_string(block.left + block.width / 2) + "," +
           std::to_string(block.top + block.height / 2);
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

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& folder :
             {tempFolder(), outFolder(), homeFolder(), runtimeFolder()}) {
            fs::create_directory(folder);
        }
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
    // runtime folder in the test's folder, a marker in the environment every
    // process it starts inherits, and descriptors open that are not
    // close-on-exec, as a caller may leave them. A host it starts waits the
    // given seconds for the next capture: none, so a case sees all end.
    pid_t start(const std::string& program, std::vector<std::string> arguments,
                const std::string& errorName = "stderr.txt", int hostIdle = 0) {
        arguments.insert(arguments.begin(), program);
        std::vector<std::string> environment = {
            "TMPDIR=" + tempFolder(), "HOME=" + homeFolder(), "XDG_RUNTIME_DIR=" + runtimeFolder(),
            "IECAPT_HOST_IDLE=" + std::to_string(hostIdle), "IECAPT_TEST_MARKER=" + m_marker};
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string_view variable = *entry;
            if (!variable.starts_with("HOME=") && !variable.starts_with("TMPDIR=") &&
                !variable.starts_with("XDG_") && !variable.starts_with("IECAPT_HOST_IDLE=")) {
                environment.emplace_back(variable);
            }
        }
        const std::string errorPath = m_root / errorName;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, outFolder().c_str());
        posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        for (const int stray : {7, 251}) {
            posix_spawn_file_actions_addopen(&actions, stray, "/dev/null", O_RDONLY, 0);
        }
        pid_t tool = -1;
        const int error = posix_spawn(&tool, program.c_str(), &actions, nullptr,
                                      pointersTo(arguments).data(), pointersTo(environment).data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            throw std::runtime_error(std::string("cannot run: ") + std::strerror(error));
        return tool;
    }

    // How the tool ended: its exit code, or minus the signal that ended it.
    // One that hangs is killed: its status fails the test.
    int finish(pid_t tool) {
        int status = 0;
        if (!eventually([&] { return ::waitpid(tool, &status, WNOHANG) != 0; }, 120s)) {
            ::kill(tool, SIGKILL);
            ::waitpid(tool, &status, 0);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

    TestHttpServer m_server;
    TestFolder m_root;
    const std::string m_marker = fs::path(m_root.path()).filename();
    pid_t m_tool = -1;
};

class CaptureTest : public ToolTest, public ::testing::WithParamInterface<Capture> {};

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
    m_tool = start(program, arguments);
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
    const int status = finish(std::exchange(m_tool, -1));
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
    QImageReader reader(QString::fromStdString(written));
    reader.setDecideFormatFromContent(true);
    QImageReader::setAllocationLimit(0);  // a joined page may be 65500 px high
    // What the file holds, whatever its name says.
    EXPECT_EQ(reader.format().toStdString(), formatNamed(written));
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), QSize(row.width, row.height));
    for (const Block& block : row.blocks) EXPECT_EQ(blockMissing(image, block), "");
}

constexpr Block kBlank = {300, 400, 10, 10, {255, 255, 255}};
// Left of the blocks, under the consent banner.
constexpr Block kWhereTheBannerWas = {0, 600, 200, 150, {255, 255, 255}};
constexpr std::array<int, 3> kRed = {255, 0, 0};
constexpr std::array<int, 3> kBlue = {0, 0, 255};

// What the picture of late-lazy-frame.html shows where its frame is, blank.
constexpr Block kBlankFrame = {kLazyFrame.left, kLazyFrame.top, 200, 150, {255, 255, 255}};

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
    // A chain whose runs change nothing leaves the picture as it is: nothing to say.
    Capture{"EndlessTimerChainThatChangesNothing", {"--url=127.0.0.1:PORT/rearming.html"}, 0, "",
            1024, 768, {kBlocks[0]}},
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
    // Frames that change the document but not the picture: captured after
    // the budget, with nothing to say.
    Capture{"EndlessFramesAreCapturedAfterTheBudget",
            {"--url=127.0.0.1:PORT/busy.html", "--settle=500"}, 0, "", 1024, 768, {kBlocks[1]}},
    // Time enough after the cut-off to settle, however fast the browser starts.
    Capture{"StalledImageCapturedAfterAThirdOfTheTimeOut",
            {"--url=127.0.0.1:PORT/endless.html", "--timeout=6"}, 0,
            "gave up waiting for 127.0.0.1 after 2 s", 1024, 768, {kBlocks[0], kBlocks[2]}},
    // Loaded again without them at a third of the time-out, the parser goes on.
    Capture{"HeadScriptThatNeverAnswersGivenUp",
            {"--url=127.0.0.1:PORT/head-script.html", "--timeout=9"}, 0,
            "gave up waiting for static.localhost after 3 s", 1024, 768,
            {kBlocks[0], kBlocks[1], kBlocks[2]}},
    Capture{"ScriptThatHangsAgainEndsAtTheNextThird",
            {"--url=127.0.0.1:PORT/new-script-each-time.html", "--timeout=6"}, 4,
            "the page did not load: gave up waiting for 127.0.0.1 after 2 s"},
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
    // Twice as wide: more pixels than one shot takes, so two parts joined at
    // 32750; and more than the time-out is meant for, which is said first.
    Capture{"JoinedWithoutSeams",
            {"--url=127.0.0.1:PORT/stripes-40000.html", "--out=shot.png", "--width=2048"}, 0,
            "a picture up to 2,048 x 65,500 px may take up to", 2048, 40000,
            {stripe(32748), stripe(32749), stripe(32750), stripe(32751), stripe(39998),
             stripe(39999), kJoinBlocks[0], kJoinBlocks[1]}},
    Capture{"JoinedAsJpeg",
            {"--url=127.0.0.1:PORT/stripes-40000.html", "--width=2048", "--timeout=80"}, 0,
            "; --timeout=80 may end it first", 2048, 40000, {kJoinBlocks[0], kJoinBlocks[1]}},
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
            {kVeryTallPageBand}, 0, Before::OldFile, 2},  // and what such a picture costs
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

// Pages whose content comes late, wherever it comes from: the picture shows
// it, or says plainly what it left out; and a page still changing is said to
// be so only when its picture still changes.
// clang-format off
INSTANTIATE_TEST_SUITE_P(LatePages, CaptureTest, ::testing::Values(
    Capture{"TimerGivenItsCodeAsText", {"--url=127.0.0.1:PORT/pages/late-string-timer.html"}, 0,
            "", 1024, 768, {kBlocks[0], kDrawnByScript}},
    Capture{"DelayedTaskOfTheScheduler", {"--url=127.0.0.1:PORT/pages/late-post-task.html"}, 0,
            "", 1024, 768, {kDrawnByScript}},
    Capture{"IdleCallbackChain", {"--url=127.0.0.1:PORT/pages/late-idle-chain.html"}, 0, "", 1024,
            768, {kDrawnByScript}},
    Capture{"PollingInterval", {"--url=127.0.0.1:PORT/pages/late-polling-interval.html"}, 0, "",
            1024, 768, {kDrawnByScript}},
    Capture{"DocumentOpenedAgain", {"--url=127.0.0.1:PORT/pages/late-document-open.html"}, 0, "",
            1024, 768, {kBlocks[0], kDrawnByScript}},
    Capture{"FrameOfTheSameSite", {"--url=127.0.0.1:PORT/pages/late-frame.html"}, 0, "", 1024,
            768, {kDrawnByScript}},
    Capture{"TimerSetInAFrameByThePage",
            {"--url=127.0.0.1:PORT/pages/late-frame-timer-from-parent.html"}, 0, "", 1024, 768,
            {kDrawnByScript}},
    Capture{"FrameOfAnotherSite", {"--url=127.0.0.1:PORT/pages/late-other-site-frame.html"}, 0,
            "", 1024, 768, {kDrawnByScript}},
    // The full browser runs it in a renderer and a target of its own.
    Capture{"FrameOfAnotherSiteInATargetOfItsOwn",
            {"--url=127.0.0.1:PORT/pages/late-other-site-frame.html", "--browser=chromium"}, 0,
            "", 1024, 768, {kDrawnByScript}},
    Capture{"LazyFrameOfAnotherSiteBelowTheWindow",
            {"--url=127.0.0.1:PORT/pages/late-lazy-frame.html"}, 0,
            "frames of other sites below the window are blank in the picture (frame.localhost)",
            1024, 3000, {kBlocks[0], kBlankFrame}},
    Capture{"MetaRefreshFollowed", {"--url=127.0.0.1:PORT/pages/late-meta-refresh.html"}, 0, "",
            1024, 768, {kDrawnByScript}},
    Capture{"MetaRefreshLaterNamed", {"--url=127.0.0.1:PORT/pages/meta-refresh-later.html"}, 0,
            "the page moves on to http://127.0.0.1:", 1024, 768, {kBlocks[0]}},
    Capture{"VideoWithItsFirstFrame", {"--url=127.0.0.1:PORT/pages/late-video.html"}, 0, "", 1024,
            768, {kVideoFrame}},
    Capture{"CountingForEver", {"--url=127.0.0.1:PORT/pages/ticker.html", "--settle=1000"}, 0,
            "still changing after 1000 ms", 1024, 768, {kBlocks[0]}, 0, Before::OldFile, 1,
            "a timer that keeps setting itself again"}),
    ::testing::PrintToStringParamName());
// clang-format on

// A socket of nobody's at the path: listening, no one ever answers; else
// left as a host that was killed leaves it.
void leaveSocket(const std::string& path, bool listening) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::chmod(path.c_str(), 0600);  // as a host of the tool's makes it
    if (listening) {
        ::listen(fd, 8);  // held open until the test's process ends
    } else {
        ::close(fd);
    }
}

class CaptureHostTest : public ToolTest {
protected:
    void TearDown() override {
        for (const pid_t host : hosts()) ::kill(host, SIGTERM);
        ToolTest::TearDown();
    }

    // A capture of the test page into out/NAME, with a host that waits for
    // the next capture as long as a test runs.
    pid_t startCapture(const std::string& page, const std::string& name,
                       const std::string& program = IECAPT_BINARY) {
        return start(program,
                     {"--url=127.0.0.1:" + std::to_string(m_server.port()) + "/" + page,
                      "--out=" + name, "--timeout=90", "--timings"},
                     name + ".err", 600);
    }

    // What is wrong with the capture: its status and what it said when not
    // the expected, what the picture lacks of the block, and whether a host
    // served it (a browser of its own has a shutdown phase).
    std::string wrongWith(pid_t tool, const std::string& name, const Block& shown,
                          bool servedByAHost) {
        const int status = finish(tool);
        const std::string said = fileText(m_root / (name + ".err"));
        const QImage image(QString::fromStdString(outFolder() + "/" + name));
        const bool hostServed = said.find(", shutdown ") == std::string::npos;
        if (status != 0 || std::ranges::count(said, '\n') != 1 || hostServed != servedByAHost) {
            return "exit " + std::to_string(status) + ": " + said;
        }
        return image.isNull() ? "no picture" : blockMissing(image, shown);
    }

    // The hosts running for this test.
    std::vector<pid_t> hosts() const {
        std::vector<pid_t> found;
        for (const pid_t process : processesWithMarker(m_marker)) {
            const std::string line = fileText("/proc/" + std::to_string(process) + "/cmdline");
            if (line.find(std::string("\0--capture-host\0", 16)) != std::string::npos) {
                found.push_back(process);
            }
        }
        return found;
    }

    // Where the tool says the host listens.
    std::string socketPath() const { return runtimeFolder() + "/iecapt-host.socket"; }
};

// On the page, a block shows whether a cookie or storage of an earlier visit
// was found: none, on a first visit.
TEST_F(CaptureHostTest, CapturesInARowOrAtOnceShareOneHostAndEachIsAFirstVisit) {
    EXPECT_EQ(wrongWith(startCapture("pages/first-visit.html", "first.jpg"), "first.jpg",
                        kDrawnByScript, true),
              "");
    const std::vector<pid_t> host = hosts();
    EXPECT_EQ(host.size(), 1U);
    EXPECT_EQ(fs::status(socketPath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    const pid_t one = startCapture("pages/first-visit.html", "one.jpg");
    const pid_t two = startCapture("pages/first-visit.html", "two.jpg");
    EXPECT_EQ(wrongWith(one, "one.jpg", kDrawnByScript, true), "");
    EXPECT_EQ(wrongWith(two, "two.jpg", kDrawnByScript, true), "");
    EXPECT_EQ(hosts(), host);
}

TEST_F(CaptureHostTest, TwoFirstCapturesAtOnceStartOneHost) {
    const pid_t one = startCapture("blocks.html", "one.jpg");
    const pid_t two = startCapture("blocks.html", "two.jpg");
    EXPECT_EQ(wrongWith(one, "one.jpg", kBlocks[2], true), "");
    EXPECT_EQ(wrongWith(two, "two.jpg", kBlocks[2], true), "");
    EXPECT_EQ(hosts().size(), 1U);
}

enum class Trouble { StaleSocket, HostOfAnotherBuild, SilentHost, BrowserKilled };

struct Troubled {
    const char* name;
    Trouble trouble;
    bool servedByAHost;      // a new one; else the capture's own browser
    std::size_t hostsAfter;  // the other build's stays
};

void PrintTo(const Troubled& row, std::ostream* out) { *out << row.name; }

class CaptureHostTroubleTest : public CaptureHostTest,
                               public ::testing::WithParamInterface<Troubled> {};

TEST_P(CaptureHostTroubleTest, TheCaptureComesOutAsWithoutAHostAndSaysNothingOfIt) {
    switch (GetParam().trouble) {
        case Trouble::StaleSocket:
        case Trouble::SilentHost:
            leaveSocket(socketPath(), GetParam().trouble == Trouble::SilentHost);
            break;
        case Trouble::HostOfAnotherBuild: {
            // A copy of the tool is another build: its host serves only its own.
            const std::string other = m_root / "other";
            fs::copy_file(IECAPT_BINARY, other);
            ASSERT_EQ(finish(startCapture("blocks.html", "before.jpg", other)), 0);
            break;
        }
        case Trouble::BrowserKilled: {
            ASSERT_EQ(finish(startCapture("blocks.html", "before.jpg")), 0);
            const std::string host = std::to_string(hosts().at(0));
            const pid_t browser =
                std::stoi(fileText("/proc/" + host + "/task/" + host + "/children"));
            ASSERT_EQ(::kill(-browser, SIGKILL), 0);  // its whole process group
            ASSERT_TRUE(eventually([&] { return hosts().empty(); }, 10s)) << "the host stayed";
            break;
        }
    }
    EXPECT_EQ(wrongWith(startCapture("blocks.html", "shot.jpg"), "shot.jpg", kBlocks[2],
                        GetParam().servedByAHost),
              "");
    EXPECT_EQ(hosts().size(), GetParam().hostsAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureHostTroubleTest,
    ::testing::Values(Troubled{"StaleSocket", Trouble::StaleSocket, true, 1},
                      Troubled{"HostOfAnotherBuild", Trouble::HostOfAnotherBuild, false, 1},
                      Troubled{"HostThatNeverAnswers", Trouble::SilentHost, false, 0},
                      Troubled{"HostsBrowserKilled", Trouble::BrowserKilled, true, 1}),
    ::testing::PrintToStringParamName());

}  // namespace
}  // namespace orlenda::iecapt::testing
