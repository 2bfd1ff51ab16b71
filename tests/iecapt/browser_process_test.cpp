// Finding and starting the browser, with small scripts standing in for it.

#include "system/browser_process.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/exit_code.h"
#include "test_support.h"

namespace orlenda::iecapt {
namespace {

using namespace std::chrono_literals;
using testing::TestFolder;

std::string script(const std::string& path, const std::string& body = "", mode_t mode = 0755) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), mode);
    return path;
}

TEST(FindBrowserTest, TakesTheFirstKnownNameThatCanRunAlongThePathOrAGivenPath) {
    const TestFolder first;
    const TestFolder second;
    script(first / "google-chrome");
    script(first / "chromium", "", 0644);
    script(first / "mine");
    script(second / "chromium-browser");
    std::filesystem::create_directory(second / "chromium");
    const TestFolder shell;
    script(shell / "chromium-headless-shell");
    script(shell / "chromium");
    const std::string both = first.path() + ":" + second.path();
    const struct {
        std::string given, searchPath, found;
    } cases[] = {
        {"", both, second / "chromium-browser"},
        {"", first.path(), first / "google-chrome"},
        {"", both + ":" + shell.path(), shell / "chromium-headless-shell"},
        {"chromium", shell.path(), shell / "chromium"},
        {"", "/nonexistent", ""},
        {"google-chrome", both, first / "google-chrome"},
        {first / "mine", "", first / "mine"},
        {first / "chromium", both, ""},
        {first / "missing", both, ""},
    };
    for (const auto& [given, searchPath, found] : cases) {
        EXPECT_EQ(findBrowser(given, searchPath), found) << "'" << given << "' on " << searchPath;
    }
}

TEST(BrowserArgumentsTest, AFreshProfileQuietOnTheNetworkAndNoSandboxOnlyForRoot) {
    for (const bool asRoot : {false, true}) {
        const auto arguments = browserArguments("/usr/bin/chromium", "/tmp/p", asRoot);
        EXPECT_THAT(arguments,
                    ::testing::IsSupersetOf({"--user-data-dir=/tmp/p", "--no-first-run",
                                             "--disable-background-networking",
                                             "--disable-component-update", "--disable-sync"}));
        EXPECT_EQ(std::count(arguments.begin(), arguments.end(), "--no-sandbox"), asRoot);
    }
}

TEST(BrowserEnvironmentTest, HomeConfigurationCacheAndTemporaryFilesAllGoIntoItsFolder) {
    const auto environment = browserEnvironment(
        {"PATH=/bin", "HOME=/root", "XDG_CACHE_HOME=/c", "TMPDIR=/t", "HOMEWARD=x", "LANG=C"},
        "/f/home", "/f/tmp");
    EXPECT_THAT(environment, ::testing::UnorderedElementsAre(
                                 "PATH=/bin", "HOMEWARD=x", "LANG=C", "HOME=/f/home",
                                 "XDG_CONFIG_HOME=/f/home/.config", "XDG_CACHE_HOME=/f/home/.cache",
                                 "XDG_DATA_HOME=/f/home/.local/share",
                                 "XDG_STATE_HOME=/f/home/.local/state", "TMPDIR=/f/tmp"));
}

TEST(BrowserProcessTest, ABrowserThatCannotRunSaysWhy) {
    const TestFolder folder;
    EXPECT_THAT(
        [&] { BrowserProcess({script(folder / "browser", "", 0644)}, {}, folder / "log"); },
        ::testing::ThrowsMessage<CaptureFailure>(::testing::HasSubstr("Permission denied")));
}

// A browser that could not be handed its pipe would only time out later: the
// start fails at once instead. Here the tool may open no descriptor beyond
// the six its pipes take, so the child has none left for the hand-over.
TEST(BrowserProcessDeathTest, AChildThatCannotTakeItsPipeFailsTheStartAtOnce) {
    const TestFolder folder;
    const std::string browser = script(folder / "browser", "exit 0\n");
    const auto startWithNoDescriptorToSpare = [&] {
        int probes[6];
        for (int& probe : probes) probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur =
            static_cast<rlim_t>(*std::max_element(std::begin(probes), std::end(probes)) + 1);
        for (const int probe : probes) ::close(probe);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        try {
            BrowserProcess started({browser}, {}, folder / "log");
        } catch (const CaptureFailure& failure) {
            std::fputs(failure.what(), stderr);
            std::_Exit(3);
        }
        std::_Exit(0);
    };
    EXPECT_EXIT(startWithNoDescriptorToSpare(), ::testing::ExitedWithCode(3),
                "cannot hand the browser its pipe");
}

TEST(BrowserProcessTest, StopEndsEveryProcessItStartedEvenOneThatLeftItsGroup) {
    const TestFolder folder;
    adoptOrphanedDescendants();
    // Each says its pid on the log: a helper in the group and, like Chromium's
    // Crashpad handler, one in a session of its own whose parent has gone.
    script(folder / "browser",
           "sleep 300 & echo $! >&2\n"
           "(setsid sh -c 'echo $$ >&2; exec sleep 300' &)\n"
           "echo $$ >&2; exec sleep 300\n");
    BrowserProcess browser({folder / "browser"}, {"PATH=/usr/bin:/bin"}, folder / "log");
    const auto pids = [&] {
        std::istringstream log(testing::fileText(folder / "log"));
        return std::vector<pid_t>(std::istream_iterator<pid_t>(log), {});
    };
    ASSERT_TRUE(testing::eventually([&] { return pids().size() == 3; }, 30s));
    browser.stop();
    for (const pid_t pid : pids()) EXPECT_NE(::kill(pid, 0), 0) << pid << " outlived the stop";
}

}  // namespace
}  // namespace orlenda::iecapt
