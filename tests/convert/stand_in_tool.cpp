// Stands in for the capture tool in tests and benchmarks: writes the file
// named by --out= (a new file in its place), or fails or warns as its environment tells it for the
// address, sleeps as long as it is told, and records how it ran.

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "support/stand_in_record.h"

namespace {

using namespace orlenda::testing;

std::int64_t Now() {
    return std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count();
}

#ifdef _WIN32
// main's arguments come in the ANSI code page, which loses characters: the
// wide command line has them whole, split as the C runtime splits it.
std::vector<std::string> Arguments(int /*argc*/, char** /*argv*/) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(size), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), size, nullptr, nullptr);
        argument.pop_back();  // the terminating NUL
        arguments.push_back(argument);
    }
    ::LocalFree(wide);
    return arguments;
}

// Whether it shows a window, in the words of kDetached.
std::string Detachment() {
    return ::GetConsoleWindow() == nullptr ? "no console window" : "a console window";
}

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
#else
std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

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

std::filesystem::path PathOf(const std::string& bytes) { return bytes; }
#endif

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
    ToolRun run{Now(), 0, Detachment(), Arguments(argc, argv)};
    const nlohmann::json ending = EndingFor(ValueOf(run.arguments, "--url="));
    if (ending.is_null() || ending.value("image", false)) {
        // Written beside and renamed into place, as the tool replaces a file.
        const std::filesystem::path out = PathOf(ValueOf(run.arguments, "--out="));
        // A short name: the picture's own may be as long as a name can be.
        const std::filesystem::path part = out.parent_path() / ".stand-in.part";
        std::ofstream(part, std::ios::binary) << "stand-in image";
        std::error_code failed;
        std::filesystem::rename(part, out, failed);
        if (failed) {  // a runtime whose rename keeps a file in place, or no folder
            std::filesystem::copy_file(part, out, std::filesystem::copy_options::overwrite_existing,
                                       failed);
            std::filesystem::remove(part, failed);
        }
    }
    if (!ending.is_null()) std::cerr << ending.value("stderr", "") << std::endl;
    const char* milliseconds = std::getenv(kSleepVariable);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(milliseconds ? std::atoi(milliseconds) : 0));
    run.ended = Now();
    if (const char* path = std::getenv(kRecordVariable)) {
        std::ofstream(path, std::ios::app) << nlohmann::json(run).dump() << '\n';
    }
#ifndef _WIN32
    if (!ending.is_null() && ending.contains("signal")) std::raise(ending["signal"].get<int>());
#endif
    // Windows codes take 32 bits (0xC0000005, 259); POSIX keeps the low 8.
    return static_cast<int>(ending.is_null() ? 0u : ending.value("exit", 1u));
}
