// iecapt.exe against the fake browser, one run of it a case, under Wine in
// our tests. Every case also checks that no process of the browser, no
// temporary folder and no handle the browser was not meant to get outlives
// or leaks out of the run.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "system/browser_process.h"
#include "windows_test_support.h"

namespace orlenda::iecapt::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kOldImage = "the image of an earlier run";

struct Finished {
    DWORD exitCode = 0;
    std::string lastLine;  // of standard error
    std::chrono::steady_clock::duration took{};
};

// iecapt.exe started as the program starts it, in a process group of its
// own, with its standard output and error in files. It also holds an
// inheritable handle it was given and must not hand on to the browser.
class ToolProcess {
public:
    ToolProcess(const TestFolder& folder, const std::vector<std::string>& arguments,
                const std::vector<std::pair<std::string, std::string>>& variables)
        : m_errPath(folder / "stderr.txt") {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        m_planted = ::CreateEventW(&inheritable, TRUE, FALSE, nullptr);
        m_err = ::CreateFileW(wideFromUtf8(m_errPath).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        std::wstring line = L"\"" + wideFromUtf8(programFolder() + "\\iecapt.exe") + L"\"";
        for (const std::string& argument : arguments)
            line += L" \"" + wideFromUtf8(argument) + L"\"";
        std::wstring block;
        for (const std::string& entry :
             environmentWith(currentEnvironment(), variables, VariableNames::CaseInsensitive)) {
            block += wideFromUtf8(entry) + L'\0';
        }
        block += L'\0';
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = m_err;
        startup.hStdError = m_err;
        PROCESS_INFORMATION started{};
        m_started = std::chrono::steady_clock::now();
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                              CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, block.data(),
                              nullptr, &startup, &started)) {
            throw std::runtime_error("cannot start iecapt.exe: " + lastErrorText());
        }
        ::CloseHandle(started.hThread);
        m_process = started.hProcess;
        m_pid = started.dwProcessId;
    }
    ~ToolProcess() {
        if (::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_process, 1);
        for (const HANDLE handle : {m_process, m_err, m_planted}) ::CloseHandle(handle);
    }

    DWORD pid() const { return m_pid; }

    // Ends the tool as a crash or Task Manager would, giving it no say.
    void kill() {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, INFINITE);
    }

    Finished finish() {
        if (::WaitForSingleObject(m_process, 60000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "iecapt.exe still runs after a minute";
            ::TerminateProcess(m_process, 1);
            ::WaitForSingleObject(m_process, INFINITE);
        }
        Finished finished;
        finished.took = std::chrono::steady_clock::now() - m_started;
        ::GetExitCodeProcess(m_process, &finished.exitCode);
        std::istringstream err(fileText(m_errPath));
        for (std::string line; std::getline(err, line);) finished.lastLine = line;
        return finished;
    }

private:
    std::string m_errPath;
    HANDLE m_planted = nullptr;
    HANDLE m_err = nullptr;
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    std::chrono::steady_clock::time_point m_started;
};

bool isRunning(DWORD pid) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

struct Case {
    const char* name;
    const char* scenario;  // of the fake browser
    const char* pipes;     // which hand-off the fake takes: "fds" or "io-pipes"
    std::vector<std::string> options;
    DWORD exitCode;
    std::string says;  // a part of the last line on standard error
};

void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

class ToolTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        for (const std::string& folder :
             {temp(), report(), m_folder / "J\xC3\xBCrgen \xE6\x97\xA5"}) {
            std::filesystem::create_directory(pathFromUtf8(folder));
        }
        writeFile(out(), kOldImage);
    }

    std::string temp() const { return m_folder / "temp"; }
    std::string report() const { return m_folder / "report"; }
    std::string out() const {
        return m_folder / "J\xC3\xBCrgen \xE6\x97\xA5\\Bild \xE6\x97\xA5.jpg";
    }

    ToolProcess start(const Case& row) const {
        std::vector<std::string> arguments = {
            "--url=http://example.test/", "--out=" + out(),
            "--browser=" + programFolder() + "\\fake_browser.exe"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        return ToolProcess(m_folder, arguments,
                           {{"TEMP", temp()},
                            {"TMP", temp()},
                            {"IECAPT_FAKE", row.scenario},
                            {"IECAPT_FAKE_PIPES", row.pipes},
                            {"IECAPT_FAKE_REPORT", report()}});
    }

    // Polls until the fake browser has reported that it and its helper run.
    bool browserStarted() const {
        for (int i = 0; i < 300 && reportLines("pids.txt").size() < 2; ++i) {
            std::this_thread::sleep_for(100ms);
        }
        return reportLines("pids.txt").size() == 2;
    }

    std::vector<std::string> reportLines(const std::string& name) const {
        std::istringstream text(fileText(report() + "\\" + name));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

    // Nothing of the browser is left, and it got nothing it should not have.
    void expectAllGone() const {
        const std::vector<std::string> pids = reportLines("pids.txt");
        EXPECT_EQ(pids.size(), 2U) << "the browser and its helper did not both start";
        for (const std::string& pid : pids) {
            EXPECT_FALSE(isRunning(std::stoul(pid))) << "process " << pid << " outlived the tool";
        }
        EXPECT_EQ(fileText(report() + "\\stray-handles.txt"), "")
            << "the browser inherited handles besides its pipe ends";
        EXPECT_EQ(namesIn(temp()), std::vector<std::string>{}) << "the profile folder is left";
    }

    TestFolder m_folder;
};

TEST_P(ToolTest, EndsAsItShouldAndLeavesNothingBehind) {
    const Case& row = GetParam();
    ToolProcess tool = start(row);
    const Finished finished = tool.finish();
    EXPECT_EQ(finished.exitCode, row.exitCode) << finished.lastLine;
    EXPECT_NE(finished.lastLine.find(row.says), std::string::npos) << finished.lastLine;
    EXPECT_EQ(row.says.empty(), finished.lastLine.empty()) << finished.lastLine;
    EXPECT_LT(finished.took, 30s) << "the --timeout did not hold";
    const std::string image = fileText(out());
    if (row.exitCode == 0) {
        EXPECT_TRUE(image.starts_with("\xFF\xD8") && image.ends_with("\xFF\xD9"));
    } else {
        EXPECT_EQ(image, kOldImage);
    }
    EXPECT_EQ(namesIn(m_folder / "J\xC3\xBCrgen \xE6\x97\xA5").size(), 1U);
    expectAllGone();
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ToolTest,
    ::testing::Values(Case{"CaptureOverDescriptors3And4", "capture", "fds", {}, 0, ""},
                      Case{"CaptureOverTheIoPipesHandles", "capture", "io-pipes", {}, 0, ""},
                      Case{"ABrowserThatQuits",
                           "quit",
                           "fds",
                           {},
                           3,
                           "iecapt: error: the browser quit while starting "
                           "(fake browser: quitting on purpose)"},
                      Case{"ABrowserThatHangs",
                           "hang",
                           "fds",
                           {"--timeout=2"},
                           5,
                           "iecapt: error: timed out after 2 s while starting the browser"},
                      Case{"ABrowserThatFloods",
                           "flood",
                           "io-pipes",
                           {"--timeout=2"},
                           5,
                           "timed out after 2 s while starting the browser"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolTest, TheBrowserGetsItsPipeAProfileInTheTemporaryFolderAndNoAddress) {
    ToolProcess tool = start({"", "capture", "fds", {}, 0, ""});
    ASSERT_EQ(tool.finish().exitCode, 0U);
    const std::vector<std::string> arguments = reportLines("arguments.txt");
    ASSERT_GE(arguments.size(), 3U);
    EXPECT_EQ(arguments.front(), programFolder() + "\\fake_browser.exe");
    EXPECT_EQ(arguments.back(), "--no-startup-window");
    const std::string profile = "--user-data-dir=" + temp() + "\\iecapt-";
    EXPECT_EQ(std::ranges::count_if(arguments,
                                    [&](const std::string& a) {
                                        return a.starts_with(profile) && a.ends_with("\\profile");
                                    }),
              1);
    for (const char* flag : {"--headless", "--remote-debugging-pipe"}) {
        EXPECT_EQ(std::ranges::count(arguments, flag), 1) << flag;
    }
    EXPECT_EQ(std::ranges::count_if(
                  arguments,
                  [](const std::string& a) { return a.find("example.test") != std::string::npos; }),
              0);
}

TEST_F(ToolTest, AToolKilledWithoutWarningTakesTheBrowserTreeWithIt) {
    ToolProcess tool = start({"", "hang", "fds", {}, 0, ""});
    ASSERT_TRUE(browserStarted()) << "the browser did not start";
    tool.kill();
    for (const std::string& pid : reportLines("pids.txt")) {
        bool running = true;
        for (int i = 0; i < 100 && running; ++i) {
            running = isRunning(std::stoul(pid));
            if (running) std::this_thread::sleep_for(50ms);
        }
        EXPECT_FALSE(running) << "process " << pid << " outlived the killed tool";
    }
}

// Ctrl+C reaches only processes on the sender's console, and Wine's console
// for a program run from a pipe takes no such event: the test gets a console
// of its own, which the tool shares, and keeps its standard handles.
void shareAConsoleWithTheTool() {
    const DWORD kinds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE kept[std::size(kinds)];
    for (std::size_t i = 0; i < std::size(kinds); ++i) kept[i] = ::GetStdHandle(kinds[i]);
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole()) << lastErrorText();
    for (std::size_t i = 0; i < std::size(kinds); ++i) ::SetStdHandle(kinds[i], kept[i]);
}

// Ctrl+C to the tool's own group, as it is started in one: the tool has to
// take it all the same.
TEST_F(ToolTest, CtrlCStopsTheBrowserWritesNothingAndEndsAsCtrlCWould) {
    ASSERT_NO_FATAL_FAILURE(shareAConsoleWithTheTool());
    ToolProcess tool = start({"", "hang", "fds", {}, 0, ""});
    ASSERT_TRUE(browserStarted()) << "the browser did not start";
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, tool.pid())) << lastErrorText();
    const Finished finished = tool.finish();
    EXPECT_EQ(finished.exitCode, static_cast<DWORD>(STATUS_CONTROL_C_EXIT));
    EXPECT_EQ(finished.lastLine, "iecapt: stopped by Interrupt; nothing written");
    EXPECT_EQ(fileText(out()), kOldImage);
    expectAllGone();
}

}  // namespace
}  // namespace orlenda::iecapt::testing
