#pragma once

// The tool run as a process of its own, as the program runs it, and what it
// leaves: its processes, found by a marker in their environment, and its
// picture.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture_pages.h"
#include "test_support.h"

extern char** environ;

namespace orlenda::iecapt::testing {

// The live processes that inherited the marker (a zombie's environment
// cannot be read): never found by name, as other browsers run too.
inline std::vector<pid_t> processesWithMarker(const std::string& marker) {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string environment = fileText(entry.path() / "environ");
        if (environment.find("IECAPT_TEST_MARKER=" + marker + '\0') != std::string::npos) {
            found.push_back(std::stoi(entry.path().filename()));
        }
    }
    return found;
}

// Starts the program in the folder with standard error to errorPath and the
// test's own environment: the given entries, then those inherited but for
// the XDG folders and the names given. It also holds descriptors that are
// not close-on-exec, as a caller may leave them.
inline pid_t startTool(const std::string& program, std::vector<std::string> arguments,
                       std::vector<std::string> environment, const std::string& folder,
                       const std::string& errorPath) {
    arguments.insert(arguments.begin(), program);
    const auto given = [&](std::string_view variable) {
        return variable.starts_with("XDG_") ||
               std::ranges::any_of(environment, [&](const std::string& entry) {
                   return variable.substr(0, variable.find('=') + 1) ==
                          entry.substr(0, entry.find('=') + 1);
               });
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!given(*entry)) environment.emplace_back(*entry);
    }
    const auto pointersTo = [](std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (std::string& text : texts) pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers;
    };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    for (const int stray : {7, 251}) {
        posix_spawn_file_actions_addopen(&actions, stray, "/dev/null", O_RDONLY, 0);
    }
    pid_t tool = -1;
    const int error = posix_spawn(&tool, program.c_str(), &actions, nullptr,
                                  pointersTo(arguments).data(), pointersTo(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error(std::string("cannot run: ") + std::strerror(error));
    return tool;
}

// How the tool ended: its exit code, or minus the signal that ended it. One
// that is still running after the limit is killed.
inline int waitForTool(pid_t tool, std::chrono::milliseconds limit) {
    int status = 0;
    if (!eventually([&] { return ::waitpid(tool, &status, WNOHANG) != 0; }, limit)) {
        ::kill(tool, SIGKILL);
        ::waitpid(tool, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// The picture at the path, read as what it holds whatever its name says.
struct Picture {
    QImage image;
    std::string format;  // as Qt names it
    std::string error;   // why it could not be read
};

inline Picture readPicture(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setDecideFormatFromContent(true);
    QImageReader::setAllocationLimit(0);  // a joined page may be 65500 px high
    Picture picture{{}, reader.format().toStdString(), {}};
    picture.image = reader.read();
    picture.error = reader.errorString().toStdString();
    return picture;
}

// Whether the picture shows the block's colour at its middle, give or take
// what JPEG loses; else what it shows there.
inline std::string blockMissing(const QImage& image, const Block& block) {
    const QColor seen =
        image.pixelColor(block.left + block.width / 2, block.top + block.height / 2);
    const QColor expected(block.colour[0], block.colour[1], block.colour[2]);
    if (std::max({std::abs(seen.red() - expected.red()), std::abs(seen.green() - expected.green()),
                  std::abs(seen.blue() - expected.blue())}) <= 40) {
        return {};
    }
    return seen.name().toStdString() + " where " + expected.name().toStdString() + " belongs, at " +
           std::to_string(block.left + block.width / 2) + "," +
           std::to_string(block.top + block.height / 2);
}

}  // namespace orlenda::iecapt::testing
