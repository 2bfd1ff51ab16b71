// The tool against the real Chromium and pages served on 127.0.0.1, one run
// of it a case. Every case also checks that no process the tool started and
// no temporary folder outlives it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QImage>
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
std::size_t processesWithMarker(const std::string& marker) {
    std::size_t found = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string environment = fileText(entry.path() / "environ");
        found += environment.find("IECAPT_TEST_MARKER=" + marker + '\0') != std::string::npos;
    }
    return found;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

struct Capture {
    const char* name;
    std::vector<std::string> arguments;  // PORT is the server's; --url and --out have defaults
    int status;                          // the exit code, or minus the signal that ended the tool
    std::string says;                    // a part of its one line on standard error; "" for silence
    int width = 0;
    int height = 0;
    std::vector<Block> blocks = {};
    int signal = 0;  // sent once the browser runs
};

void PrintTo(const Capture& row, std::ostream* out) { *out << row.name; }

class CaptureTest : public ::testing::TestWithParam<Capture> {
protected:
    void SetUp() override {
        fs::create_directory(tempFolder());
        fs::create_directory(outFolder());
        std::ofstream(outPath()) << "old";
        serveCapturePages(m_server);
    }

    void TearDown() override {
        if (m_tool > 0) {  // a test that stopped early
            ::kill(m_tool, SIGKILL);
            ::waitpid(m_tool, nullptr, 0);
        }
        EXPECT_TRUE(eventually([&] { return processesWithMarker(m_marker) == 0; }, 10s))
            << "a browser process outlived the tool";
        EXPECT_EQ(namesIn(tempFolder()), std::vector<std::string>{})
            << "the tool left a temporary folder";
    }

    std::string tempFolder() const { return m_root / "tmp"; }
    std::string outFolder() const { return m_root / "out"; }
    std::string outPath() const { return outFolder() + "/shot.jpg"; }

    // Starts build/bin/iecapt in the output folder, with TMPDIR in the test's
    // folder and a marker in the environment every process it starts inherits.
    void start(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), IECAPT_BINARY);
        std::vector<std::string> environment = {"TMPDIR=" + tempFolder(),
                                                "IECAPT_TEST_MARKER=" + m_marker};
        for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
        const std::string errorPath = m_root / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, outFolder().c_str());
        posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int error = posix_spawn(&m_tool, IECAPT_BINARY, &actions, nullptr,
                                      pointersTo(arguments).data(), pointersTo(environment).data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            throw std::runtime_error(std::string("cannot run: ") + std::strerror(error));
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
        return std::ranges::any_of(arguments, [&](const auto& a) { return a.starts_with(option); });
    };
    if (!given("--url=")) arguments.push_back("--url=127.0.0.1:PORT/blocks.html");
    if (!given("--out=")) arguments.push_back("--out=shot.jpg");
    // Generous: these tests are about what the tool does, not how fast.
    if (!given("--timeout=")) arguments.push_back("--timeout=90");
    for (std::string& argument : arguments) {
        const auto at = argument.find("PORT");
        if (at != std::string::npos) argument.replace(at, 4, std::to_string(m_server.port()));
    }
    const auto started = std::chrono::steady_clock::now();
    start(arguments);
    if (row.signal != 0) {
        ASSERT_TRUE(eventually([&] { return processesWithMarker(m_marker) > 1; }, 60s));
        EXPECT_NE(namesIn(tempFolder()), std::vector<std::string>{}) << "not working in TMPDIR";
        std::this_thread::sleep_for(500ms);  // the browser is starting or loading
        ::kill(m_tool, row.signal);
    }
    int status = 0;
    if (!eventually([&] { return ::waitpid(m_tool, &status, WNOHANG) != 0; }, 120s)) {
        ::kill(m_tool, SIGKILL);  // it hangs: its status fails the test
        ::waitpid(m_tool, &status, 0);
    }
    m_tool = -1;
    const auto elapsed = std::chrono::steady_clock::now() - started;
    const std::string said = fileText(m_root / "stderr.txt");
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), row.status) << said;
    EXPECT_EQ(said.empty(), row.says.empty()) << said;
    EXPECT_NE(said.find(row.says), std::string::npos) << said;
    EXPECT_EQ(std::ranges::count(said, '\n'), row.says.empty() ? 0 : 1) << said;
    EXPECT_EQ(namesIn(outFolder()), std::vector<std::string>{"shot.jpg"});
    if (row.signal == SIGKILL) {
        // The browser goes with its tool, which cannot remove its folder.
        ASSERT_TRUE(eventually([&] { return processesWithMarker(m_marker) == 0; }, 30s));
        fs::remove_all(tempFolder());
        fs::create_directory(tempFolder());
    }
    const std::string written = fileText(outPath());
    if (row.status != 0) {
        EXPECT_EQ(written, "old");
        EXPECT_LT(elapsed, 45s) << "not bounded by --timeout";
        return;
    }
    ASSERT_TRUE(written.ends_with("\xFF\xD9")) << "not a whole JPEG";  // a cut one lacks this
    const QImage image = QImage::fromData(QByteArray::fromStdString(written), "JPG");
    EXPECT_EQ(image.size(), QSize(row.width, row.height));
    for (const Block& block : row.blocks) {
        // The colour at the block's middle, give or take what JPEG loses.
        const QColor seen =
            image.pixelColor(block.left + block.width / 2, block.top + block.height / 2);
        const QColor expected(block.colour[0], block.colour[1], block.colour[2]);
        EXPECT_LE(std::max({std::abs(seen.red() - expected.red()),
                            std::abs(seen.green() - expected.green()),
                            std::abs(seen.blue() - expected.blue())}),
                  40)
            << seen.name().toStdString() << " where " << expected.name().toStdString()
            << " belongs";
    }
}

constexpr Block kBlank = {300, 400, 10, 10, {255, 255, 255}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CaptureTest, ::testing::Values(
    Capture{"Blocks", {}, 0, "", 1024, 768, {kBlocks[0], kBlocks[1], kBlocks[2], kBlank}},
    Capture{"ViewportSize", {"--width=800", "--height=600", "--viewport-only"}, 0, "", 800, 600,
            {kBlocks[0], kBlocks[1]}},
    Capture{"WholePage", {"--url=127.0.0.1:PORT/tall.html"}, 0, "", 1024, kTallPageHeight,
            {kTallPageFoot}},
    Capture{"ViewportOnly", {"--url=127.0.0.1:PORT/tall.html", "--viewport-only", "--quality=40"},
            0, "", 1024, 768},
    Capture{"CutAt16384", {"--url=127.0.0.1:PORT/very-tall.html"}, 0, "", 1024, 16384,
            {kVeryTallPageBand}},
    Capture{"LazyImages", {"--url=127.0.0.1:PORT/lazy.html"}, 0, "", 1024, 4900,
            {kObservedImage, kLazyImage}},
    Capture{"DialogsDismissed", {"--url=127.0.0.1:PORT/dialogs.html"}, 0, "", 1024, 768,
            {kBlocks[0], kBlocks[1], kBlocks[2]}},
    Capture{"NotFoundAsSent", {"--url=http://127.0.0.1:PORT/missing.html"}, 0, "404", 1024, 768,
            {kBlocks[2]}},
    Capture{"EmptyServerError", {"--url=127.0.0.1:PORT/gone.html"}, 0, "500", 1024, 768},
    // The server listens on 127.0.0.1 only.
    Capture{"Refused", {"--url=127.0.0.2:PORT/"}, 4, "ERR_CONNECTION_REFUSED"},
    Capture{"EndlessLoad", {"--url=127.0.0.1:PORT/endless.html", "--timeout=3"}, 5, "within 3 s"},
    Capture{"BadWidth", {"--width=wide"}, 2, "--width"},
    Capture{"BlankAddress", {"--url=%20 "}, 2, "empty"},
    Capture{"MissingFolder", {"--out=no/x.jpg"}, 6, "No such file"},
    Capture{"OutputIsAFolder", {"--out=."}, 6, "Is a directory"},
    Capture{"NoSuchBrowser", {"--browser=/no/chromium"}, 3, "/no/chromium"},
    // ls refuses the browser's flags: its last words end the message.
    Capture{"BrowserQuits", {"--browser=/bin/ls"}, 3, "ls --help"},
    Capture{"Terminated", {"--delay=3000"}, -SIGTERM, "nothing written", 0, 0, {}, SIGTERM},
    Capture{"Killed", {"--delay=3000"}, -SIGKILL, "", 0, 0, {}, SIGKILL},
    // What a closing terminal or session sends.
    Capture{"HungUp", {"--delay=3000"}, 0, "", 1024, 768, {kBlocks[0], kBlocks[1], kBlocks[2]},
            SIGHUP}),
    ::testing::PrintToStringParamName());
// clang-format on

}  // namespace
}  // namespace orlenda::iecapt::testing
