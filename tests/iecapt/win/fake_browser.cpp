// A stand-in for Chrome or Edge on Windows: speaks the DevTools protocol's
// NUL-framed JSON on the pipe iecapt hands it, as descriptors 3 and 4 or as
// the handles of --remote-debugging-io-pipes, and plays the scenario named by
// IECAPT_FAKE:
//   capture   answers a capture and sends a small valid JPEG
//   quit      says why on standard error and quits at once
//   hang      reads and never answers
//   flood     sends events without end and never answers
// Whatever it plays, it first starts a helper (as the browser starts its
// renderers) and writes into the folder IECAPT_FAKE_REPORT its arguments,
// its pid and its helper's, and the inheritable handles it holds besides its
// pipe ends and standard handles.

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "shared/win/win_text.h"

namespace {

using nlohmann::json;

constexpr const char* kJpegBase64 =
    "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQEBAgGBgUGCQgKCgkICQkKDA8MCgsOCwkJ"
    "DRENDg8QEBEQCgwSExIQEw8QEBD/2wBDAQMDAwQDBAgEBAgQCwkLEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEB"
    "AQEBAQEBAQEBAQEBAQEBD/wAARCAACAAIDAREAAhEBAxEB/8QAFAABAAAAAAAAAAAAAAAAAAAACP/EABQQAQAAAAAAAAAA"
    "AAAAAAAAAAD/xAAVAQEBAAAAAAAAAAAAAAAAAAAHCf/EABQRAQAAAAAAAAAAAAAAAAAAAAD/2gAMAwEAAhEDEQA/"
    "ADoDFU3/"
    "2Q==";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<std::string> arguments() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) result.push_back(orlenda::utf8FromWide(argv[i]));
    ::LocalFree(argv);
    return result;
}

struct Pipe {
    HANDLE commands = INVALID_HANDLE_VALUE;
    HANDLE events = INVALID_HANDLE_VALUE;
};

Pipe pipeFrom(const std::vector<std::string>& argv) {
    Pipe pipe;
    if (environment("IECAPT_FAKE_PIPES") == "io-pipes") {
        const std::string flag = "--remote-debugging-io-pipes=";
        for (const std::string& argument : argv) {
            if (!argument.starts_with(flag)) continue;
            const std::string handles = argument.substr(flag.size());
            pipe.commands = reinterpret_cast<HANDLE>(std::stoull(handles));
            pipe.events =
                reinterpret_cast<HANDLE>(std::stoull(handles.substr(handles.find(',') + 1)));
        }
    } else {
        pipe.commands = reinterpret_cast<HANDLE>(::_get_osfhandle(3));
        pipe.events = reinterpret_cast<HANDLE>(::_get_osfhandle(4));
    }
    return pipe;
}

// The handles this process holds that it was given to inherit (they keep the
// flag) and that are none of those it was meant to get.
std::vector<std::uintptr_t> strayInheritedHandles(const Pipe& pipe) {
    const HANDLE expected[] = {pipe.commands, pipe.events, ::GetStdHandle(STD_INPUT_HANDLE),
                               ::GetStdHandle(STD_OUTPUT_HANDLE), ::GetStdHandle(STD_ERROR_HANDLE)};
    std::vector<std::uintptr_t> stray;
    for (std::uintptr_t value = 4; value < 4096; value += 4) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (!::GetHandleInformation(handle, &flags) || (flags & HANDLE_FLAG_INHERIT) == 0) continue;
        if (std::find(std::begin(expected), std::end(expected), handle) == std::end(expected)) {
            stray.push_back(value);
        }
    }
    return stray;
}

DWORD startHelper() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ::SetEnvironmentVariableW(L"IECAPT_FAKE", L"helper");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring line = L"\"" + std::wstring(self) + L"\"";
    if (!::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &started)) {
        return 0;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return started.dwProcessId;
}

void report(const std::string& name, const std::string& text) {
    wchar_t folder[MAX_PATH];
    if (::GetEnvironmentVariableW(L"IECAPT_FAKE_REPORT", folder, MAX_PATH) == 0) return;
    const std::filesystem::path path = std::filesystem::path(folder) / name;
    // Written whole, then renamed, so the test never reads half a report.
    std::ofstream(std::filesystem::path(path).concat(".new"), std::ios::binary) << text;
    std::filesystem::rename(std::filesystem::path(path).concat(".new"), path);
}

class Protocol {
public:
    explicit Protocol(Pipe pipe) : m_pipe(pipe) {}

    // The next command, or nothing once iecapt has closed the pipe.
    std::optional<json> nextCommand() {
        for (;;) {
            if (const auto end = m_buffer.find('\0'); end != std::string::npos) {
                json command = json::parse(m_buffer.substr(0, end));
                m_buffer.erase(0, end + 1);
                return command;
            }
            char chunk[65536];
            DWORD got = 0;
            if (!::ReadFile(m_pipe.commands, chunk, sizeof chunk, &got, nullptr) || got == 0) {
                return std::nullopt;
            }
            m_buffer.append(chunk, got);
        }
    }

    bool send(const json& message) {
        const std::string framed = message.dump() + '\0';
        return sendBytes(framed);
    }

    bool sendBytes(const std::string& bytes) {
        DWORD written = 0;
        return ::WriteFile(m_pipe.events, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) != 0;
    }

private:
    Pipe m_pipe;
    std::string m_buffer;
};

// What a page session answers to the commands of one capture.
json resultFor(const std::string& method) {
    if (method == "Browser.getVersion") return {{"userAgent", "Mozilla/5.0 HeadlessChrome/1.0"}};
    if (method == "Target.createBrowserContext") return {{"browserContextId", "C"}};
    if (method == "Target.createTarget") return {{"targetId", "T"}};
    if (method == "Target.attachToTarget") return {{"sessionId", "S"}};
    if (method == "Page.navigate") return {{"frameId", "F"}, {"loaderId", "L"}};
    if (method == "Page.createIsolatedWorld") return {{"executionContextId", 1}};
    if (method == "Runtime.evaluate") {
        return {{"result",
                 {{"value", {{"world", true}, {"domQuietMs", 10000}, {"framesQuietMs", 10000}}}}}};
    }
    if (method == "Page.getLayoutMetrics") {
        return {{"cssContentSize", {{"width", 1024}, {"height", 100}}}};
    }
    if (method == "Page.captureScreenshot") return {{"data", kJpegBase64}};
    return json::object();
}

void answerACapture(Protocol& protocol) {
    while (const auto command = protocol.nextCommand()) {
        const std::string method = command->value("method", "");
        protocol.send({{"id", (*command)["id"]}, {"result", resultFor(method)}});
        if (method == "Page.navigate") {
            protocol.send(
                {{"method", "Page.frameNavigated"},
                 {"params",
                  {{"frame",
                    {{"id", "F"},
                     {"loaderId", "L"},
                     {"url", command->value("params", json::object()).value("url", "")}}}}},
                 {"sessionId", "S"}});
            protocol.send({{"method", "Page.lifecycleEvent"},
                           {"params", {{"name", "load"}, {"loaderId", "L"}}},
                           {"sessionId", "S"}});
        }
    }
}

void flood(Protocol& protocol) {
    std::string events;
    while (events.size() < (1 << 20))
        events += R"({"method":"Page.frameResized"})" + std::string(1, '\0');
    while (protocol.sendBytes(events)) {
    }
}

}  // namespace

int main() {
    const std::string scenario = environment("IECAPT_FAKE");
    if (scenario == "helper") {
        ::Sleep(INFINITE);
        return 0;
    }
    const std::vector<std::string> argv = arguments();
    const Pipe pipe = pipeFrom(argv);
    const DWORD helper = startHelper();
    std::string argumentList;
    for (const std::string& argument : argv) argumentList += argument + "\n";
    report("arguments.txt", argumentList);
    std::string stray;
    for (const std::uintptr_t handle : strayInheritedHandles(pipe))
        stray += std::to_string(handle) + "\n";
    report("stray-handles.txt", stray);
    report("pids.txt",
           std::to_string(::GetCurrentProcessId()) + "\n" + std::to_string(helper) + "\n");

    Protocol protocol(pipe);
    if (scenario == "quit") {
        std::fputs("fake browser: quitting on purpose\n", stderr);
        return 1;
    }
    if (scenario == "capture") answerACapture(protocol);
    if (scenario == "flood") flood(protocol);
    ::Sleep(INFINITE);  // hang, or wait for the end iecapt gives every browser
    return 0;
}
