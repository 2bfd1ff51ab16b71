// The tool against the real Chromium, loading pages from a server of the
// test's own on 127.0.0.1. Every test checks that no process the tool started
// and no temporary folder outlives it.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "capture_pages.h"
#include "jpeg_image.h"
#include "process_scan.h"
#include "test_folder.h"
#include "test_http_server.h"
#include "tool_run.h"

namespace orlenda::iecapt::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Generous: these tests are about what the tool does, not how fast, and the
// machine may be busy.
const std::string kGenerousTimeout = "--timeout=90";

bool closeTo(const std::array<int, 3>& seen, const std::array<int, 3>& expected) {
    for (int channel = 0; channel < 3; ++channel) {
        if (std::abs(seen[channel] - expected[channel]) > 40) return false;
    }
    return true;
}

::testing::AssertionResult hasColourInside(const RgbImage& image, const Block& block) {
    const int x = block.left + block.width / 2;
    const int y = block.top + block.height / 2;
    if (x >= image.width || y >= image.height) {
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") lies outside the "
                                             << image.width << "x" << image.height << " image";
    }
    const auto seen = image.at(x, y);
    if (closeTo(seen, block.colour)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "at (" << x << "," << y << ") the colour is " << seen[0] << "," << seen[1] << ","
           << seen[2] << ", expected " << block.colour[0] << "," << block.colour[1] << ","
           << block.colour[2];
}

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    return names;
}

// A port on 127.0.0.1 where nothing listens.
int refusedPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(tempFolder());
        fs::create_directory(outFolder());
        serveCapturePages(m_server);
    }

    void TearDown() override {
        EXPECT_TRUE(noProcessesWithMarker(m_marker, 2s)) << "a browser process outlived the tool";
        EXPECT_TRUE(namesIn(tempFolder()).empty()) << "the tool left a temporary folder";
    }

    std::string tempFolder() const { return m_root / "tmp"; }
    std::string outFolder() const { return m_root / "out"; }
    std::string outPath(const std::string& name = "shot.jpg") const {
        return outFolder() + "/" + name;
    }

    std::unique_ptr<ToolRun> start(const std::vector<std::string>& arguments) {
        return std::make_unique<ToolRun>(arguments, tempFolder(), m_marker, m_root / "stderr.txt");
    }
    ToolResult capture(const std::vector<std::string>& arguments) {
        return start(arguments)->wait();
    }

    // Captures a page of the server with the given options into shot.jpg.
    RgbImage captured(const std::string& path, std::vector<std::string> options = {}) {
        options.insert(options.begin(),
                       {"--url=" + m_server.url(path), "--out=" + outPath(), kGenerousTimeout});
        const ToolResult result = capture(options);
        EXPECT_EQ(result.exitCode, 0) << result.errorText;
        EXPECT_EQ(namesIn(outFolder()), std::vector<std::string>{"shot.jpg"})
            << "only the image is left";
        auto image = readJpeg(outPath());
        EXPECT_TRUE(image.has_value()) << "shot.jpg is not a whole JPEG";
        return image.value_or(RgbImage{});
    }

    TestHttpServer m_server;
    TestFolder m_root{"iecapt-test"};
    // Unique to this test: every process the tool starts inherits it.
    std::string m_marker = fs::path(m_root.path()).filename().string();
};

TEST_F(CaptureTest, BlocksAreWhereThePagePutsThem) {
    const RgbImage image = captured("/blocks.html");
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, 768);
    for (const Block& block : kBlocks) EXPECT_TRUE(hasColourInside(image, block));
    EXPECT_TRUE(hasColourInside(image, {300, 400, 10, 10, {255, 255, 255}}));
}

TEST_F(CaptureTest, ViewportSizeIsTheImageSize) {
    const RgbImage image =
        captured("/blocks.html", {"--width=800", "--height=600", "--viewport-only"});
    EXPECT_EQ(image.width, 800);
    EXPECT_EQ(image.height, 600);
    EXPECT_TRUE(hasColourInside(image, kBlocks[0]));
    EXPECT_TRUE(hasColourInside(image, kBlocks[1]));
}

TEST_F(CaptureTest, WholePageIsCapturedByDefault) {
    const RgbImage image = captured("/tall.html");
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, kTallPageHeight);
    EXPECT_TRUE(hasColourInside(image, kTallPageFoot));
}

TEST_F(CaptureTest, ViewportOnlyStopsAtTheViewport) {
    const RgbImage image = captured("/tall.html", {"--viewport-only", "--quality=40"});
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, 768);
}

TEST_F(CaptureTest, VeryTallPageIsCutAtTheLimitAndStillDrawn) {
    const RgbImage image = captured("/very-tall.html");
    EXPECT_EQ(image.height, 16384);
    EXPECT_TRUE(hasColourInside(image, kVeryTallPageBand));
}

TEST_F(CaptureTest, LazyContentIsLoadedBeforeTheCapture) {
    const RgbImage image = captured("/lazy.html");
    EXPECT_EQ(m_server.requestCount("/blue.svg"), 1);
    EXPECT_EQ(m_server.requestCount("/green.svg"), 1);
    EXPECT_TRUE(hasColourInside(image, kObservedImage));
    EXPECT_TRUE(hasColourInside(image, kLazyImage));
}

TEST_F(CaptureTest, DialogsAreDismissed) {
    const RgbImage image = captured("/dialogs.html");
    for (const Block& block : kBlocks) EXPECT_TRUE(hasColourInside(image, block));
}

TEST_F(CaptureTest, HttpErrorPageIsCapturedAsSentWithANote) {
    const ToolResult result =
        capture({"--url=" + m_server.url("/missing.html"), "--out=" + outPath(), kGenerousTimeout});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.errorText.find("404"), std::string::npos) << result.errorText;
    const auto image = readJpeg(outPath());
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(hasColourInside(*image, kBlocks[2]));
}

TEST_F(CaptureTest, HttpErrorWithoutABodyIsCapturedAsTheBrowserShowsIt) {
    const ToolResult result =
        capture({"--url=" + m_server.url("/gone.html"), "--out=" + outPath(), kGenerousTimeout});
    EXPECT_EQ(result.exitCode, 0) << result.errorText;
    EXPECT_NE(result.errorText.find("500"), std::string::npos) << result.errorText;
    EXPECT_TRUE(readJpeg(outPath()).has_value());
}

TEST_F(CaptureTest, RefusedConnectionFailsAndKeepsTheOldFile) {
    std::ofstream(outPath()) << "the old picture";
    const ToolResult result = capture({"--url=127.0.0.1:" + std::to_string(refusedPort()) + "/",
                                       "--out=" + outPath(), kGenerousTimeout});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_NE(result.errorText.find("ERR_CONNECTION_REFUSED"), std::string::npos)
        << result.errorText;
    EXPECT_EQ(fileText(outPath()), "the old picture");
    EXPECT_EQ(namesIn(outFolder()).size(), 1U);
}

TEST_F(CaptureTest, EndlessLoadEndsAtTheTimeout) {
    const ToolResult result =
        capture({"--url=" + m_server.url("/endless.html"), "--out=" + outPath(), "--timeout=3"});
    EXPECT_EQ(result.exitCode, 5) << result.errorText;
    EXPECT_NE(result.errorText.find("within 3 s"), std::string::npos) << result.errorText;
    EXPECT_LT(result.elapsed, 20s);  // bounded, with room for a busy machine
    EXPECT_TRUE(namesIn(outFolder()).empty());
}

TEST_F(CaptureTest, TerminationMidCaptureLeavesNothing) {
    auto run =
        start({"--url=" + m_server.url("/endless.html"), "--out=" + outPath(), kGenerousTimeout});
    ASSERT_TRUE(waitForProcessWithMarker(m_marker, run->pid(), 60s));
    std::this_thread::sleep_for(500ms);  // the browser is starting or loading
    ::kill(run->pid(), SIGTERM);
    const ToolResult result = run->wait(60s);
    EXPECT_EQ(result.signal, SIGTERM) << result.errorText;
    EXPECT_TRUE(namesIn(outFolder()).empty());
}

TEST_F(CaptureTest, ACaptureOutlivesTheHangUpOfItsStarter) {
    auto run = start({"--url=" + m_server.url("/blocks.html"), "--out=" + outPath(), "--delay=1500",
                      kGenerousTimeout});
    ASSERT_TRUE(waitForProcessWithMarker(m_marker, run->pid(), 60s));
    ::kill(run->pid(), SIGHUP);  // what a closing terminal or session sends
    const ToolResult result = run->wait();
    EXPECT_EQ(result.exitCode, 0) << result.errorText;
    EXPECT_TRUE(readJpeg(outPath()).has_value());
}

TEST_F(CaptureTest, BrowserDiesWithAKilledTool) {
    auto run =
        start({"--url=" + m_server.url("/endless.html"), "--out=" + outPath(), kGenerousTimeout});
    ASSERT_TRUE(waitForProcessWithMarker(m_marker, run->pid(), 60s));
    std::this_thread::sleep_for(1s);
    ::kill(run->pid(), SIGKILL);
    run->wait(60s);
    EXPECT_TRUE(noProcessesWithMarker(m_marker, 10s));
    // A killed tool cannot remove its folder; that much is expected.
    for (const auto& entry : fs::directory_iterator(tempFolder())) fs::remove_all(entry.path());
}

// Failures found before any browser is started, and the browser's own.
struct EarlyFailure {
    const char* name;
    std::vector<std::string> arguments;  // {OUT} is the output folder
    int exitCode;
    const char* message;
};

class EarlyFailureTest : public CaptureTest, public ::testing::WithParamInterface<EarlyFailure> {};

TEST_P(EarlyFailureTest, ExitsWithItsOwnCodeAndOneLine) {
    std::ofstream(outFolder() + "/a-file") << "not a folder";
    std::vector<std::string> arguments;
    for (std::string argument : GetParam().arguments) {
        if (const auto at = argument.find("{OUT}"); at != std::string::npos)
            argument.replace(at, 5, outFolder());
        if (const auto at = argument.find("{URL}"); at != std::string::npos)
            argument.replace(at, 5, m_server.url("/blocks.html"));
        arguments.push_back(argument);
    }
    const ToolResult result = capture(arguments);
    EXPECT_EQ(result.exitCode, GetParam().exitCode) << result.errorText;
    EXPECT_NE(result.errorText.find(GetParam().message), std::string::npos) << result.errorText;
    EXPECT_EQ(std::count(result.errorText.begin(), result.errorText.end(), '\n'), 1)
        << result.errorText;
    EXPECT_EQ(namesIn(outFolder()), std::vector<std::string>{"a-file"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EarlyFailureTest,
    ::testing::Values(
        EarlyFailure{"NoAddress", {"--out={OUT}/x.jpg"}, 2, "--url"},
        EarlyFailure{"BlankAddress", {"--url=%20 ", "--out={OUT}/x.jpg"}, 2, "empty"},
        EarlyFailure{
            "BadWidth", {"--url={URL}", "--out={OUT}/x.jpg", "--width=wide"}, 2, "--width"},
        EarlyFailure{"MissingFolder", {"--url={URL}", "--out={OUT}/no/x.jpg"}, 6, "No such file"},
        EarlyFailure{
            "FolderIsAFile", {"--url={URL}", "--out={OUT}/a-file/x.jpg"}, 6, "Not a directory"},
        EarlyFailure{"OutputIsAFolder", {"--url={URL}", "--out={OUT}"}, 6, "Is a directory"},
        EarlyFailure{"NoSuchBrowser",
                     {"--url={URL}", "--out={OUT}/x.jpg", "--browser=/no/chromium"},
                     3,
                     "/no/chromium"},
        EarlyFailure{"BrowserQuitsAtOnce",
                     {"--url={URL}", "--out={OUT}/x.jpg", "--browser=/bin/false"},
                     3,
                     "quit"}),
    [](const ::testing::TestParamInfo<EarlyFailure>& info) {
        return std::string(info.param.name);
    });

}  // namespace
}  // namespace orlenda::iecapt::testing
