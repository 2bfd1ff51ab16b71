#include "tool_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "test_folder.h"

extern char** environ;

namespace orlenda::iecapt::testing {

ToolRun::ToolRun(const std::vector<std::string>& arguments, const std::string& tempFolder,
                 const std::string& marker, const std::string& errorPath)
    : m_errorPath(errorPath), m_started(std::chrono::steady_clock::now()) {
    std::vector<std::string> argumentTexts = {IECAPT_BINARY};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "TMPDIR=", 7) != 0) environment.emplace_back(*entry);
    }
    environment.push_back("TMPDIR=" + tempFolder);
    environment.push_back("IECAPT_TEST_MARKER=" + marker);

    std::vector<char*> argv;
    for (std::string& text : argumentTexts) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, m_errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const int error = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error(std::string("cannot run iecapt: ") + std::strerror(error));
}

ToolRun::~ToolRun() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    std::filesystem::remove(m_errorPath);
}

ToolResult ToolRun::wait(std::chrono::seconds limit) {
    ToolResult result;
    int status = 0;
    const auto giveUp = m_started + limit;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > giveUp) ::kill(m_pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_started);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.errorText = fileText(m_errorPath);
    return result;
}

}  // namespace orlenda::iecapt::testing
