// Stands in for the capture tool in tests and benchmarks: creates the file
// named by --out=, sleeps as long as its environment tells it, and records
// how it ran.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "convert/stand_in_record.h"

namespace {

using namespace orlenda::testing;

std::int64_t Now() {
    return std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Its session, the descriptors it got beyond the standard three and its
// stdin, in the words of kDetached.
std::string Detachment() {
    int inherited = 0;
    for (int descriptor = 3; descriptor < 1024; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) != -1) ++inherited;
    }
    std::error_code noLink;
    return std::string(::getsid(0) == ::getpid() ? "own" : "shared") + " session, " +
           std::to_string(inherited) + " more descriptors, stdin " +
           std::filesystem::read_symlink("/proc/self/fd/0", noLink).string();
}

}  // namespace

int main(int argc, char** argv) {
    ToolRun run{Now(), 0, Detachment(), {argv, argv + argc}};
    for (const std::string& argument : run.arguments) {
        if (argument.starts_with("--out=")) std::ofstream{argument.substr(6)};
    }
    const char* milliseconds = std::getenv(kSleepVariable);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(milliseconds ? std::atoi(milliseconds) : 0));
    run.ended = Now();
    if (const char* path = std::getenv(kRecordVariable)) {
        std::ofstream(path, std::ios::app) << nlohmann::json(run).dump() << '\n';
    }
    return 0;
}
