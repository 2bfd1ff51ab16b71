// Stands in for the capture tool in tests and benchmarks. Told by its
// environment what to do, it records how it was started (its arguments, its
// session, its open descriptors, its stdin, the time), can create the file named by
// --out=, sleeps, records its end and exits with the code it is given.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "convert/stand_in_record.h"

namespace {

int IntegerFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

std::string OpenDescriptors() {
    std::vector<int> descriptors;
    if (DIR* folder = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(folder)) {
            if (entry->d_name[0] == '.') continue;
            const int descriptor = std::atoi(entry->d_name);
            if (descriptor != ::dirfd(folder)) descriptors.push_back(descriptor);
        }
        ::closedir(folder);
    }
    std::sort(descriptors.begin(), descriptors.end());
    std::string list;
    for (const int descriptor : descriptors) {
        if (!list.empty()) list += ',';
        list += std::to_string(descriptor);
    }
    return list;
}

std::string StdinTarget() {
    char target[256] = {};
    const ssize_t length = ::readlink("/proc/self/fd/0", target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

// One record is one line written at once, so that records of tools running
// one after another never mix.
void Record(const std::vector<std::string>& fields) {
    const char* path = std::getenv(orlenda::testing::kRecordVariable);
    if (!path) return;
    const std::string line = orlenda::testing::JoinRecordFields(fields);
    const int file = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(file, line.data(), line.size());
    ::close(file);
}

void CreateOutputFile(int argc, char** argv) {
    constexpr std::string_view kOutOption = "--out=";
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.substr(0, kOutOption.size()) != kOutOption) continue;
        const std::string path(argument.substr(kOutOption.size()));
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file >= 0) ::close(file);
    }
}

// The system-wide monotonic clock, comparable between processes.
std::string MonotonicNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::to_string(std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orlenda::testing;
    const std::string pid = std::to_string(::getpid());
    std::vector<std::string> start{kStartMark,
                                   pid,
                                   MonotonicNanoseconds(),
                                   ::getsid(0) == ::getpid() ? "1" : "0",
                                   OpenDescriptors(),
                                   StdinTarget()};
    start.insert(start.end(), argv, argv + argc);
    Record(start);

    if (IntegerFromEnvironment(kTouchOutputVariable) != 0) CreateOutputFile(argc, argv);
    const int sleepMilliseconds = IntegerFromEnvironment(kSleepVariable);
    if (sleepMilliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMilliseconds));
    }
    Record({kEndMark, pid, MonotonicNanoseconds()});
    return IntegerFromEnvironment(kExitCodeVariable);
}
