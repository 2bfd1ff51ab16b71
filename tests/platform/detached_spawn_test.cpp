// The one detached start, which both programs share, against the real system.

#include "shared/posix/detached_spawn.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "shared/posix/unique_fd.h"

namespace orlenda {
namespace {

// What a running process has open, where its standard input and output
// lead, and whether it leads a session, as the system shows it.
std::string seenIn(pid_t pid) {
    const std::filesystem::path proc = "/proc/" + std::to_string(pid);
    std::set<int> open;
    for (const auto& entry : std::filesystem::directory_iterator(proc / "fd")) {
        open.insert(std::stoi(entry.path().filename()));
    }
    std::string seen;
    for (const int fd : open) seen += std::to_string(fd) + " ";
    for (const char* fd : {"fd/0", "fd/1"})
        seen += std::filesystem::read_symlink(proc / fd).string() + " ";
    std::ifstream stat(proc / "stat");
    std::string field;
    for (int at = 1; at <= 6; ++at) stat >> field;
    return seen + (field == std::to_string(pid) ? "own session" : "shared session");
}

TEST(DetachedSpawnTest, TheChildHasItsOwnSessionAndOnlyTheDescriptorsNamed) {
    const UniqueFd leaky(::open("/dev/zero", O_RDONLY));  // no close-on-exec
    const UniqueFd handed(::open("/dev/zero", O_RDONLY | O_CLOEXEC));
    const std::string ownOutput = std::filesystem::read_symlink("/proc/self/fd/1").string();
    const struct {
        DetachedChild::Output output;
        int handedOn;
        std::string seen;
    } cases[] = {
        {DetachedChild::Output::Discarded, handed.get(), "0 1 2 3 /dev/null /dev/null own session"},
        {DetachedChild::Output::Inherited, -1, "0 1 2 /dev/null " + ownOutput + " own session"},
    };
    for (const auto& [output, handedOn, seen] : cases) {
        pid_t pid = 0;
        ASSERT_EQ(spawnDetached({.program = "/bin/sleep",
                                 .arguments = {"sleep", "10"},
                                 .output = output,
                                 .errorFile = -1,
                                 .handedOn = handedOn},
                                pid),
                  0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // past its start
        EXPECT_EQ(seenIn(pid), seen);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    pid_t none = 0;
    EXPECT_EQ(spawnDetached({.program = "/no/such/program", .arguments = {"program"}}, none),
              ENOENT);
}

}  // namespace
}  // namespace orlenda
