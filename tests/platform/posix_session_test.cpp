#include <gtest/gtest.h>
#include <poll.h>

#include <csignal>
#include <tuple>

#include "platform/posix/posix_runtime_folder.h"
#include "platform/posix/posix_stop_requests.h"

namespace orlenda::platform {
namespace {

// A signal that asks the program to end no longer ends it at once: it waits
// on the descriptor, for the window's thread.
TEST(PosixStopRequests, TurnsEachSignalThatAsksToEndIntoAReadableDescriptor) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        const PosixStopRequests requests;
        pollfd watched{.fd = requests.descriptor(), .events = POLLIN, .revents = 0};
        EXPECT_EQ(::poll(&watched, 1, 0), 0) << signal;
        std::raise(signal);
        EXPECT_EQ(::poll(&watched, 1, 0), 1) << signal;
    }
}

TEST(RuntimeFolderToUse, IsInTheUsersCacheWhenTheSessionNamesNoFolder) {
    const std::tuple<std::string, bool, std::string, std::string, std::string> cases[] = {
        {"/run/user/1000", true, "/c", "/home/u", ""},
        {"/run/user/1000", false, "/c", "/home/u", "/c/orlenda/runtime"},
        {"", false, "", "/home/u", "/home/u/.cache/orlenda/runtime"},
        {"", false, "relative", "/home/u", "/home/u/.cache/orlenda/runtime"},
        {"", false, "", "", ""},
    };
    for (const auto& [session, isFolder, cacheHome, home, folder] : cases) {
        EXPECT_EQ(RuntimeFolderToUse(session, isFolder, cacheHome, home), folder)
            << session << " " << cacheHome << " " << home;
    }
}

}  // namespace
}  // namespace orlenda::platform
