#include "shared/posix/detached_spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace orlenda {
namespace {

// posix_spawn's attributes and file actions, released on every way out.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawnattr_init(&m_attributes);
        posix_spawn_file_actions_init(&m_actions);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // Returns 0 or an error number.
    int detach(const DetachedChild& child) {
        sigset_t noSignals;
        sigset_t allSignals;
        sigemptyset(&noSignals);
        sigfillset(&allSignals);
        const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (const int error = posix_spawnattr_setflags(&m_attributes, flags)) return error;
        if (const int error = posix_spawnattr_setsigmask(&m_attributes, &noSignals)) return error;
        if (const int error = posix_spawnattr_setsigdefault(&m_attributes, &allSignals)) {
            return error;
        }
        if (const int error = openNull(STDIN_FILENO, O_RDONLY)) return error;
        if (child.output == DetachedChild::Output::Discarded) {
            if (const int error = openNull(STDOUT_FILENO, O_WRONLY)) return error;
        }
        const int error = child.errorFile >= 0 ? posix_spawn_file_actions_adddup2(
                                                     &m_actions, child.errorFile, STDERR_FILENO)
                                               : openNull(STDERR_FILENO, O_WRONLY);
        if (error) return error;
        int kept = STDERR_FILENO;
        if (child.handedOn >= 0) {
            kept = STDERR_FILENO + 1;
            if (const int error =
                    posix_spawn_file_actions_adddup2(&m_actions, child.handedOn, kept)) {
                return error;
            }
        }
        return posix_spawn_file_actions_addclosefrom_np(&m_actions, kept + 1);
    }

    const posix_spawnattr_t* attributes() const { return &m_attributes; }
    const posix_spawn_file_actions_t* actions() const { return &m_actions; }

private:
    int openNull(int fd, int mode) {
        return posix_spawn_file_actions_addopen(&m_actions, fd, "/dev/null", mode, 0);
    }

    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

}  // namespace

int spawnDetached(const DetachedChild& child, pid_t& pid) {
    std::vector<std::string> arguments = child.arguments;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    SpawnSettings settings;
    if (const int error = settings.detach(child)) return error;
    return ::posix_spawn(&pid, child.program.c_str(), settings.actions(), settings.attributes(),
                         argv.data(), environ);
}

}  // namespace orlenda
