#include "platform/posix/posix_processes.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "convert/capture_runner.h"
#include "convert/stand_in_record.h"
#include "fakes/fake_form.h"

namespace orlenda::platform {
namespace {

using ::testing::ElementsAre;
using testing::ReadToolRecord;

// The stand-in tool, built next to the window tests.
const std::string kStandIn = ORLENDA_STAND_IN_TOOL;

class PosixProcessesTest : public ::testing::Test {
protected:
    PosixProcessesTest() {
        m_folder = std::filesystem::temp_directory_path() /
                   ("orlenda-processes-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
        m_record = (m_folder / "record").string();
        ::setenv(orlenda::testing::kRecordVariable, m_record.c_str(), 1);
        ::setenv(orlenda::testing::kSleepVariable, "0", 1);
        ::setenv(orlenda::testing::kExitCodeVariable, "0", 1);
    }
    ~PosixProcessesTest() override { std::filesystem::remove_all(m_folder); }

    // Polls the process as the capture runner does, until it has ended.
    std::uint32_t waitFor(ProcessHandle handle) {
        for (;;) {
            const auto code = processes.exitCode(handle);
            if (!code) return 0xFFFFFFFF;
            if (*code != kStillActive) return *code;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    testing::ToolRecord record() const { return ReadToolRecord(m_record); }
    std::string folder() const { return m_folder.string(); }

    PosixProcesses processes;

private:
    std::filesystem::path m_folder;
    std::string m_record;
};

TEST_F(PosixProcessesTest, StartsTheProgramWithTheArgumentsOfTheCommandLine) {
    ::setenv(orlenda::testing::kExitCodeVariable, "7", 1);
    const ProcessId id = processes.start(
        "\"" + kStandIn + "\" --url=a%20b --out=\"/x y/a\\\"b.jpg\" \t plain\\\\", kWindowHidden);
    EXPECT_EQ(waitFor(processes.open(id)), 7u);
    const auto tools = record();
    ASSERT_EQ(tools.starts.size(), 1u);
    EXPECT_EQ(tools.starts[0].pid, std::to_string(id));
    EXPECT_THAT(tools.starts[0].arguments,
                ElementsAre(kStandIn, "--url=a%20b", "--out=/x y/a\"b.jpg", "plain\\\\"));
}

TEST_F(PosixProcessesTest, DetachesTheToolFromTheProgram) {
    // A descriptor opened without close-on-exec must not reach the tool either.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 3);
    const ProcessId id = processes.start("\"" + kStandIn + "\"", kWindowHidden);
    waitFor(processes.open(id));
    ::close(leaky);

    const auto tools = record();
    ASSERT_EQ(tools.starts.size(), 1u);
    EXPECT_TRUE(tools.starts[0].sessionLeader);
    EXPECT_EQ(tools.starts[0].stdinTarget, "/dev/null");
    EXPECT_EQ(tools.starts[0].openDescriptors, "0,1,2");
}

TEST_F(PosixProcessesTest, AnswersStillActiveUntilTheEndThenReapsAndRemembers) {
    ::setenv(orlenda::testing::kSleepVariable, "300", 1);
    const ProcessId id = processes.start("\"" + kStandIn + "\"", kWindowHidden);
    const ProcessHandle handle = processes.open(id);
    EXPECT_EQ(processes.exitCode(handle), kStillActive);
    EXPECT_EQ(waitFor(handle), 0u);
    // Reaped: no zombie is left, and the code is still known until closed.
    EXPECT_EQ(::waitpid(static_cast<pid_t>(id), nullptr, WNOHANG), -1);
    EXPECT_EQ(processes.exitCode(handle), 0u);
    processes.close(handle);
    EXPECT_EQ(processes.exitCode(handle), std::nullopt);
    EXPECT_EQ(processes.exitCode(processes.open(id)), std::nullopt);
}

TEST_F(PosixProcessesTest, ReapsAToolClosedWhileItStillRan) {
    ::setenv(orlenda::testing::kSleepVariable, "300", 1);
    const ProcessId first = processes.start("\"" + kStandIn + "\"", kWindowHidden);
    processes.close(processes.open(first));
    EXPECT_EQ(::waitpid(static_cast<pid_t>(first), nullptr, WNOHANG), 0);  // still ours, running
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ::setenv(orlenda::testing::kSleepVariable, "0", 1);
    waitFor(processes.open(processes.start("\"" + kStandIn + "\"", kWindowHidden)));
    errno = 0;
    EXPECT_EQ(::waitpid(static_cast<pid_t>(first), nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(PosixProcessesTest, ReportsDeathBySignalAsAShellDoes) {
    const ProcessId id = processes.start("/bin/sh -c \"kill -TERM $$\"", kWindowHidden);
    EXPECT_EQ(waitFor(processes.open(id)), 128u + SIGTERM);
}

TEST_F(PosixProcessesTest, FailsToStartWithTheSystemsErrorNumber) {
    const std::string notExecutable = folder() + "/iecapt";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    ::chmod(notExecutable.c_str(), 0644);
    const std::pair<std::string, int> failures[] = {
        {"\"" + folder() + "/missing\" --url=x", ENOENT},
        {"\"" + notExecutable + "\"", EACCES},
        {"", ENOENT},
        {"\"" + kStandIn + "\" " + std::string("a\0b", 3), EINVAL},
    };
    for (const auto& [commandLine, errorNumber] : failures) {
        try {
            processes.start(commandLine, kWindowHidden);
            ADD_FAILURE() << commandLine << " started";
        } catch (const ProcessStartError& failure) {
            EXPECT_EQ(failure.errorNumber(), errorNumber) << commandLine;
        }
    }
}

TEST_F(PosixProcessesTest, NeverOpensAProcessItDidNotStart) {
    EXPECT_EQ(processes.exitCode(processes.open(::getpid())), std::nullopt);
    EXPECT_EQ(processes.exitCode(processes.open(1)), std::nullopt);
}

TEST_F(PosixProcessesTest, CarriesTheCaptureRunnerWithRealProcesses) {
    ::setenv(orlenda::testing::kExitCodeVariable, "5", 1);
    ::setenv(orlenda::testing::kSleepVariable, "150", 1);
    PosixSleeper sleeper;
    testing::FakeEvents events;
    const ToolWaitServices services{processes, events, sleeper};
    EXPECT_EQ(RunToolAndWait(services, "\"" + kStandIn + "\" --url=a", 0, nullptr, "", 0, 1), 5);
    EXPECT_EQ(record().ends.size(), 1u);
    EXPECT_EQ(RunToolAndWait(services, "\"" + folder() + "/missing\"", 0, nullptr, "", 0, 1),
              kStartFailureBase + ENOENT);
}

}  // namespace
}  // namespace orlenda::platform
