#include "platform/win/win_processes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "platform/win/win_file_system.h"
#include "support/error_output.h"
#include "support/stand_in_record.h"

namespace orlenda::platform {
namespace {

using namespace orlenda::testing;
using namespace std::chrono_literals;
using ::testing::ElementsAre;

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The error files (orlXXXX.tmp) in a folder.
std::size_t ErrorFilesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("orl") && name.ends_with(".tmp")) ++count;
    }
    return count;
}

class WinProcessesTest : public ::testing::Test {
protected:
    WinProcessesTest() {
        std::filesystem::create_directories(m_folder);
        ::_putenv_s(kRecordVariable, (m_folder / "record").string().c_str());
        ::_putenv_s(kSleepVariable, "0");
        // How the stand-in ends for these addresses; for others with 0.
        ::_putenv_s(kEndingsVariable, R"({
            "7": {"exit": 7}, "259": {"exit": 259}, "3221225477": {"exit": 3221225477},
            "5": {"exit": 5},
            "talks": {"exit": 3, "stderr": "loading\nerror: \u00fcber the limit"}})");
    }
    ~WinProcessesTest() override { std::filesystem::remove_all(m_folder); }

    // The stand-in lies next to this test, as the capture tool next to the
    // program; it sleeps so long, then ends as told for the address.
    ProcessId startStandIn(const std::string& address, int sleepMilliseconds = 0) {
        ::_putenv_s(kSleepVariable, std::to_string(sleepMilliseconds).c_str());
        return processes.start("\"" + m_tool + "\" --url=" + address, kWindowHidden, "");
    }

    // Polls as the capture runner does, until the process no longer runs.
    std::optional<ProcessStatus> waitFor(ProcessHandle handle) {
        std::optional<ProcessStatus> status;
        while ((status = processes.status(handle)) && status->running) {
            std::this_thread::sleep_for(10ms);
        }
        return status;
    }

    std::vector<ToolRun> runs() const { return ReadToolRuns((m_folder / "record").string()); }

    const std::filesystem::path m_folder =
        std::filesystem::temp_directory_path() /
        ("orlenda-processes-" + std::to_string(::GetCurrentProcessId()));
    const std::string m_tool = WinFileSystem().programFolder() + "\\iecapt.exe";
    WinProcesses processes;
};

TEST_F(WinProcessesTest, PassesTheCommandLineWholeToAProgramWithoutAWindow) {
    const std::string folder = Utf8Of(m_folder / u8"J\u00fcrgen \u65e5\u672c");
    std::filesystem::create_directories(PathOf(folder));
    const std::string out = folder + "\\\u00fc.jpg";
    waitFor(processes.open(
        processes.start("\"" + m_tool + "\" --url=http://\u4f8b\u3048.jp/\u00fc%20x --out=\"" +
                            out + "\" \t plain\\\\",
                        kWindowHidden, "")));

    EXPECT_TRUE(std::filesystem::exists(PathOf(out)));
    const std::vector<ToolRun> recorded = runs();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_THAT(recorded[0].arguments,
                ElementsAre(m_tool, "--url=http://\u4f8b\u3048.jp/\u00fc%20x", "--out=" + out,
                            "plain\\\\"));
    EXPECT_EQ(recorded[0].detachment, kDetached);
}

// 259 is what Windows answers for a process that still runs; one that ends
// with it has ended all the same.
TEST_F(WinProcessesTest, TellsEveryExitCodeOnceTheProgramHasEnded) {
    const std::pair<std::uint32_t, ProcessStatus> endings[] = {
        {0u, {.exitCode = 0u}},
        {7u, {.exitCode = 7u}},
        {259u, {.exitCode = 259u}},
        {0xC0000005u,
         {.exitCode = 0xC0000005u, .ending = ProcessEnding::Crashed, .cause = "access violation"}},
    };
    for (const auto& [code, ended] : endings) {
        const ProcessHandle handle = processes.open(startStandIn(std::to_string(code), 100));
        EXPECT_EQ(processes.status(handle), ProcessStatus{.running = true});
        EXPECT_EQ(waitFor(handle), ended) << code;
        processes.close(handle);
    }
}

TEST_F(WinProcessesTest, AProgramRunsOnWhenItsHandleIsClosedAndAnEndedOneStillAnswers) {
    processes.close(processes.open(startStandIn("http://a", 500)));
    EXPECT_TRUE(runs().empty());
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         runs().empty() && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(runs().size(), 1u);  // it ran to its end

    // Ended before it was opened: its id still leads to it, not to another process.
    const ProcessId ended = startStandIn("5");
    std::this_thread::sleep_for(1s);
    const ProcessHandle handle = processes.open(ended);
    EXPECT_EQ(processes.status(handle), ProcessStatus{.exitCode = 5});
    processes.close(handle);

    EXPECT_EQ(processes.status(processes.open(0)), std::nullopt);
    // Once its last handle is closed, an ended program is gone; Wine lets go
    // of it a moment later on a busy machine, so this waits (bounded) for it.
    const auto statusOfEnded = [&] {
        const ProcessHandle found = processes.open(ended);
        const std::optional<ProcessStatus> status = processes.status(found);
        if (status) processes.close(found);
        return status;
    };
    std::optional<ProcessStatus> status;
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         (status = statusOfEnded()) && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(status, std::nullopt);
}

// The error file is read back after the end, from any offset, and gone once
// both the program and the handle are. A temporary folder that is not there
// leaves it to the spare folder.
TEST_F(WinProcessesTest, KeepsWhatTheProgramWritesToStandardErrorUntilItIsClosed) {
    // The spare folder is this test's own: tests running at the same time make
    // and remove their error files in the shared temporary folder.
    const std::filesystem::path temp = m_folder / "temp";
    std::filesystem::create_directories(temp);
    const std::string sharedTemp = std::getenv("TMP") ? std::getenv("TMP") : "";
    ::_putenv_s("TMP", (m_folder / "not there").string().c_str());
    ::_putenv_s(kSleepVariable, "0");
    const ProcessHandle talker = processes.open(
        processes.start("\"" + m_tool + "\" --url=talks", kWindowHidden, temp.string()));
    ::_putenv_s("TMP", sharedTemp.c_str());
    EXPECT_EQ(ErrorFilesIn(temp), 1u);
    EXPECT_EQ(waitFor(talker), ProcessStatus{.exitCode = 3});
    // Byte for byte as written: the stand-in writes text mode's CRLF.
    EXPECT_EQ(ErrorOutputOf(processes, talker),
              "loading\r\nerror: \xC3\xBC"
              "ber the limit\r\n");
    char rest[100];
    EXPECT_EQ(std::string(rest, processes.readErrorOutput(talker, 23, rest, sizeof rest)),
              "he limit\r\n");
    processes.close(talker);
    // The ended program's own handle on the file goes with it a moment later.
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         ErrorFilesIn(temp) != 0 && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(ErrorFilesIn(temp), 0u);
    EXPECT_EQ(ErrorOutputOf(processes, 0), "");
}

TEST_F(WinProcessesTest, FailsToStartWithTheSystemsErrorNumberAndWords) {
    const std::pair<std::string, int> failures[] = {
        {"\"" + (m_folder / "missing.exe").string() + "\" --url=x", ERROR_FILE_NOT_FOUND},
        {"\"" + m_tool + "\" " + std::string("a\0b", 3), ERROR_INVALID_PARAMETER},
    };
    for (const auto& [commandLine, errorNumber] : failures) {
        try {
            processes.start(commandLine, kWindowHidden, "");
            ADD_FAILURE() << commandLine << " was started";
        } catch (const ProcessStartError& failure) {
            EXPECT_EQ(failure.errorNumber(), errorNumber) << commandLine;
            EXPECT_THAT(failure.what(), ::testing::Not(::testing::EndsWith(".")));
            EXPECT_STRNE(failure.what(), "");
        }
    }
}

}  // namespace
}  // namespace orlenda::platform
