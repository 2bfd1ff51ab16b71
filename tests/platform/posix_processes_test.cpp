#include "platform/posix/posix_processes.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "support/error_output.h"
#include "support/stand_in_record.h"

namespace orlenda::platform {
namespace {

using namespace orlenda::testing;
using namespace std::chrono_literals;

class PosixProcessesTest : public ::testing::Test {
protected:
    PosixProcessesTest() {
        std::filesystem::create_directories(m_folder);
        ::setenv(kRecordVariable, (m_folder / "record").c_str(), 1);
        ::setenv(kSleepVariable, "0", 1);
    }
    ~PosixProcessesTest() override { std::filesystem::remove_all(m_folder); }

    // The stand-in tool, sleeping so long before it ends.
    ProcessId startStandIn(int sleepMilliseconds) {
        ::setenv(kSleepVariable, std::to_string(sleepMilliseconds).c_str(), 1);
        return processes.start("\"" ORLENDA_STAND_IN_TOOL "\"", kWindowHidden, "");
    }

    // Polls as the capture runner does, until the process has ended.
    std::optional<ProcessStatus> waitFor(ProcessHandle handle) {
        std::optional<ProcessStatus> status;
        while ((status = processes.status(handle)) && status->running) {
            std::this_thread::sleep_for(10ms);
        }
        return status;
    }

    const std::filesystem::path m_folder = std::filesystem::temp_directory_path() /
                                           ("orlenda-processes-" + std::to_string(::getpid()));
    PosixProcesses processes;
};

TEST_F(PosixProcessesTest, StartsTheCommandLineCutLooseAndReportsItsEndAsAShellDoes) {
    // Descriptors opened without close-on-exec must not reach the tool, nor our stdin.
    const int leaky = ::open("/dev/zero", O_RDONLY);
    const int ownStdin = ::dup(STDIN_FILENO);
    ASSERT_GE(leaky, 3);
    ASSERT_EQ(::dup2(leaky, STDIN_FILENO), STDIN_FILENO);
    const std::pair<std::string, ProcessStatus> ends[] = {
        {"\"" ORLENDA_STAND_IN_TOOL "\" --url=a%20b --out=\"/x y/a\\\"b.jpg\" \t plain\\\\",
         {.exitCode = 0}},
        {"/bin/sh -c \"exit 7\"", {.exitCode = 7}},
        {"/bin/sh -c \"kill -TERM $$\"",
         {.exitCode = 128 + SIGTERM, .ending = ProcessEnding::Killed, .cause = "SIGTERM"}},
        {"/bin/sh -c \"kill -SEGV $$\"",
         {.exitCode = 128 + SIGSEGV, .ending = ProcessEnding::Crashed, .cause = "SIGSEGV"}},
    };
    for (const auto& [commandLine, code] : ends) {
        EXPECT_EQ(waitFor(processes.open(processes.start(commandLine, kWindowHidden, ""))), code);
    }
    ::dup2(ownStdin, STDIN_FILENO);
    ::close(ownStdin);
    ::close(leaky);

    const std::vector<ToolRun> runs = ReadToolRuns(m_folder / "record");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_THAT(runs[0].arguments, ::testing::ElementsAre(ORLENDA_STAND_IN_TOOL, "--url=a%20b",
                                                          "--out=/x y/a\"b.jpg", "plain\\\\"));
    EXPECT_EQ(runs[0].detachment, kDetached);
}

TEST_F(PosixProcessesTest, ReapsEveryChildAndAnswersOnlyForItsOwn) {
    const ProcessId abandoned = startStandIn(300);
    const ProcessHandle first = processes.open(abandoned);
    EXPECT_EQ(processes.status(first), ProcessStatus{.running = true});
    processes.close(first);
    EXPECT_EQ(::waitpid(static_cast<pid_t>(abandoned), nullptr, WNOHANG), 0);  // ours, running

    const ProcessId id = startStandIn(800);
    const ProcessHandle handle = processes.open(id);
    EXPECT_EQ(waitFor(handle), ProcessStatus{});
    // Reaped at once: the code is remembered until the handle is closed.
    EXPECT_EQ(::waitpid(static_cast<pid_t>(id), nullptr, WNOHANG), -1);
    processes.close(handle);
    // The child closed while it ran has ended meanwhile, and is reaped too.
    EXPECT_EQ(::waitpid(static_cast<pid_t>(abandoned), nullptr, WNOHANG), -1);
    for (const ProcessHandle none :
         {handle, processes.open(id), processes.open(1), processes.open(::getpid())}) {
        EXPECT_EQ(processes.status(none), std::nullopt) << none;
    }

    // Reaped by someone else first: no status is known, which is no exit.
    const ProcessId taken = startStandIn(0);
    const ProcessHandle takenHandle = processes.open(taken);
    ASSERT_EQ(::waitpid(static_cast<pid_t>(taken), nullptr, 0), static_cast<pid_t>(taken));
    EXPECT_EQ(processes.status(takenHandle), std::nullopt);
    processes.close(takenHandle);
}

TEST_F(PosixProcessesTest, FailsToStartWithTheSystemsErrorNumberAndItsDescription) {
    const std::pair<std::string, int> failures[] = {
        {"\"" + (m_folder / "missing").string() + "\" --url=x", ENOENT},
        {"", ENOENT},
        {"\"" ORLENDA_STAND_IN_TOOL "\" " + std::string("a\0b", 3), EINVAL},
        // Longer than the system passes as one argument.
        {"\"" ORLENDA_STAND_IN_TOOL "\" --url=" + std::string(200 * 1024, 'a'), E2BIG},
    };
    for (const auto& [commandLine, errorNumber] : failures) {
        EXPECT_THAT([&] { processes.start(commandLine, kWindowHidden, ""); },
                    ::testing::Throws<ProcessStartError>(::testing::AllOf(
                        ::testing::Property(&ProcessStartError::errorNumber, errorNumber),
                        ::testing::Property(&ProcessStartError::what,
                                            ::testing::StrEq(std::strerror(errorNumber))))))
            << commandLine.substr(0, 100);
    }
    EXPECT_TRUE(ReadToolRuns(m_folder / "record").empty());
}

// Standard error goes to a file, not a pipe: a tool that writes much never
// waits for a reader, and one that writes after the program has gone does
// not die of it. A temporary folder that is not there leaves the file to the
// spare folder, or to the system's.
TEST_F(PosixProcessesTest, KeepsWhatTheProcessWritesToStandardErrorUntilClosed) {
    const std::string talks =
        "/bin/sh -c \"echo one >&2; yes x | head -c 300000 >&2; echo 'iecapt: error: last' >&2\"";
    const char* const sharedTemporary = std::getenv("TMPDIR");
    for (const std::string& spare : {std::string(), m_folder.string()}) {
        ::setenv("TMPDIR", (m_folder / "not there").c_str(), 1);
        const ProcessHandle talker = processes.open(processes.start(talks, kWindowHidden, spare));
        sharedTemporary ? ::setenv("TMPDIR", sharedTemporary, 1) : ::unsetenv("TMPDIR");
        EXPECT_EQ(waitFor(talker), ProcessStatus{});
        const std::string all = ErrorOutputOf(processes, talker);
        EXPECT_EQ(all.size(), 300024u);
        EXPECT_TRUE(all.starts_with("one\nx\nx\n") && all.ends_with("\niecapt: error: last\n"));
        processes.close(talker);
        EXPECT_EQ(ErrorOutputOf(processes, talker), "");
    }

    ProcessId late = 0;
    {
        PosixProcesses program;  // gone before its tool writes, as a closed window
        late = program.start("/bin/sh -c \"sleep 0.3; echo late >&2 && exit 0 || exit 9\"",
                             kWindowHidden, "");
    }
    int status = -1;
    ASSERT_EQ(::waitpid(static_cast<pid_t>(late), &status, 0), static_cast<pid_t>(late));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace orlenda::platform
