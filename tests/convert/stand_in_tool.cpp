// Stands in for the capture tool in tests and benchmarks: writes the file
// named by --out=, or fails as its environment tells it for the address,
// sleeps as long as it is told, and records how it ran.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
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

// The value of the argument --name=, or empty text.
std::string ValueOf(const std::vector<std::string>& arguments, const std::string& name) {
    for (const std::string& argument : arguments) {
        if (argument.starts_with(name)) return argument.substr(name.size());
    }
    return {};
}

// The scripted ending for the address; null when it writes the image.
nlohmann::json EndingFor(const std::string& address) {
    const char* endings = std::getenv(kEndingsVariable);
    if (!endings) return nullptr;
    const nlohmann::json script = nlohmann::json::parse(endings);
    return script.contains(address) ? script[address] : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    ToolRun run{Now(), 0, Detachment(), {argv, argv + argc}};
    const nlohmann::json ending = EndingFor(ValueOf(run.arguments, "--url="));
    if (ending.is_null()) {
        std::ofstream(ValueOf(run.arguments, "--out="), std::ios::binary) << "stand-in image";
    } else {
        std::cerr << ending.value("stderr", "") << std::endl;
    }
    const char* milliseconds = std::getenv(kSleepVariable);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(milliseconds ? std::atoi(milliseconds) : 0));
    run.ended = Now();
    if (const char* path = std::getenv(kRecordVariable)) {
        std::ofstream(path, std::ios::app) << nlohmann::json(run).dump() << '\n';
    }
    return ending.is_null() ? 0 : ending.value("exit", 1);
}
