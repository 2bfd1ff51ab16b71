// Finding and starting the browser, and ending every process it started,
// tried with small shell scripts standing in for Chromium.

#include "browser_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "exit_code.h"
#include "process_scan.h"
#include "test_folder.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;
using testing::TestFolder;

void writeScript(const std::string& path, const std::string& body, mode_t mode = 0755) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), mode);
}

TEST(FindBrowserTest, TakesTheFirstKnownNameFoundAlongThePath) {
    const TestFolder first("iecapt-path");
    const TestFolder second("iecapt-path");
    writeScript(first / "google-chrome", "");
    writeScript(second / "chromium-browser", "");
    writeScript(first / "chromium", "", 0644);               // not executable
    std::filesystem::create_directory(second / "chromium");  // a folder
    const std::string path = first.path() + ":" + second.path();
    EXPECT_EQ(findBrowser("", path), second / "chromium-browser");
    EXPECT_EQ(findBrowser("google-chrome", path), first / "google-chrome");
    EXPECT_EQ(findBrowser("", first.path()), first / "google-chrome");
    EXPECT_EQ(findBrowser("", "/nonexistent"), "");
}

TEST(FindBrowserTest, AGivenPathIsTakenAsItIsWhenItCanRun) {
    const TestFolder folder("iecapt-path");
    writeScript(folder / "mine", "");
    writeScript(folder / "not-mine", "", 0644);
    EXPECT_EQ(findBrowser(folder / "mine", ""), folder / "mine");
    EXPECT_EQ(findBrowser(folder / "not-mine", ""), "");
    EXPECT_EQ(findBrowser(folder / "missing", ""), "");
}

TEST(BrowserArgumentsTest, HeadlessOnThePipeWithAFreshProfileAndABlankFirstTab) {
    const auto arguments = browserArguments("/usr/bin/chromium", "/tmp/p", false);
    const auto has = [&](const std::string& argument) {
        return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
    };
    EXPECT_EQ(arguments.front(), "/usr/bin/chromium");
    EXPECT_EQ(arguments.back(), "about:blank");
    for (const char* expected :
         {"--headless", "--remote-debugging-pipe", "--user-data-dir=/tmp/p", "--no-first-run",
          "--disable-background-networking", "--disable-component-update", "--disable-sync"}) {
        EXPECT_TRUE(has(expected)) << expected;
    }
    EXPECT_FALSE(has("--no-sandbox"));
    const auto asRoot = browserArguments("/usr/bin/chromium", "/tmp/p", true);
    EXPECT_NE(std::find(asRoot.begin(), asRoot.end(), "--no-sandbox"), asRoot.end());
}

TEST(TemporaryFolderTest, IsMadeUnderTmpdirAndGoesWithItsContent) {
    const TestFolder base("iecapt-base");
    const char* previous = std::getenv("TMPDIR");
    const std::string previousValue = previous != nullptr ? previous : "";
    ::setenv("TMPDIR", base.path().c_str(), 1);
    std::string made;
    {
        const TemporaryFolder folder;
        made = folder.path();
        EXPECT_EQ(std::filesystem::path(made).parent_path(), base.path());
        std::filesystem::create_directories(made + "/profile/Default");
        std::ofstream(made + "/profile/Default/History") << "x";
    }
    if (previous != nullptr) {
        ::setenv("TMPDIR", previousValue.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    EXPECT_FALSE(std::filesystem::exists(made));
}

class BrowserProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("IECAPT_TEST_MARKER", m_marker.c_str(), 1);  // inherited by what we start
        adoptOrphanedDescendants();
    }
    void TearDown() override { ::unsetenv("IECAPT_TEST_MARKER"); }

    std::unique_ptr<BrowserProcess> start(const std::string& script) {
        writeScript(m_folder / "browser", script);
        return std::make_unique<BrowserProcess>(std::vector<std::string>{m_folder / "browser"},
                                                m_folder.path(), m_folder / "browser.log");
    }

    TestFolder m_folder{"iecapt-browser"};
    std::string m_marker = std::filesystem::path(m_folder.path()).filename();
};

TEST_F(BrowserProcessTest, StopEndsTheWholeTreeEvenWhatLeftItsGroup) {
    // Like Chromium: helpers in its group, and one that moves to a session
    // of its own and whose parent goes away (as Crashpad's handler does).
    auto browser = start(
        "sleep 300 &\n"
        "(setsid sleep 300 &) \n"
        "echo started >&2\n"
        "exec sleep 300\n");
    ASSERT_TRUE(testing::waitForProcessWithMarker(m_marker, 0, 10s));
    std::this_thread::sleep_for(300ms);  // the detached helper is on its own by now
    EXPECT_EQ(testing::processesWithMarker(m_marker).size(), 3U);
    browser->stop();
    EXPECT_TRUE(testing::processesWithMarker(m_marker).empty());
    EXPECT_EQ(testing::fileText(m_folder / "browser.log"), "started\n");
}

TEST_F(BrowserProcessTest, TheProtocolPipeIsOnDescriptorsThreeAndFour) {
    // Echoes what it reads on fd 3 back on fd 4, as the browser answers.
    auto browser = start("exec cat <&3 >&4\n");
    const std::string message("{\"id\":1}\0", 9);
    ASSERT_EQ(::write(browser->toBrowserFd(), message.data(), message.size()), 9);
    char reply[16] = {};
    EXPECT_EQ(::read(browser->fromBrowserFd(), reply, sizeof reply), 9);
    EXPECT_EQ(std::string(reply, 9), message);
    browser->stop();
    ::close(browser->toBrowserFd());
    ::close(browser->fromBrowserFd());
}

TEST_F(BrowserProcessTest, ABrowserThatCannotRunIsABrowserFailure) {
    writeScript(m_folder / "browser", "", 0644);
    try {
        BrowserProcess browser({m_folder / "browser"}, m_folder.path(), m_folder / "browser.log");
        FAIL() << "it started";
    } catch (const CaptureFailure& failure) {
        EXPECT_EQ(failure.code(), ExitCode::BrowserFailed);
        EXPECT_NE(std::string(failure.what()).find("Permission denied"), std::string::npos)
            << failure.what();
    }
}

}  // namespace
}  // namespace orlenda::iecapt
