#include "process_scan.h"

#include <filesystem>
#include <thread>

#include "test_folder.h"

namespace orlenda::iecapt::testing {
namespace {

bool isZombie(const std::string& procFolder) {
    const std::string stat = fileText(procFolder + "/stat");
    const auto afterName = stat.rfind(')');
    return afterName == std::string::npos || stat.compare(afterName, 3, ") Z") == 0;
}

}  // namespace

std::vector<pid_t> processesWithMarker(const std::string& marker) {
    const std::string needle = "IECAPT_TEST_MARKER=" + marker;
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string environment = fileText(entry.path().string() + "/environ");
        if (environment.find(needle) != std::string::npos && !isZombie(entry.path().string())) {
            found.push_back(std::stoi(name));
        }
    }
    return found;
}

bool noProcessesWithMarker(const std::string& marker, std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!processesWithMarker(marker).empty()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

bool waitForProcessWithMarker(const std::string& marker, pid_t except,
                              std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (const pid_t pid : processesWithMarker(marker)) {
            if (pid != except) return true;
        }
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace orlenda::iecapt::testing
