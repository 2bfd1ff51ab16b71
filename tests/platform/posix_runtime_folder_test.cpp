#include "platform/posix/posix_runtime_folder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orlenda::platform {
namespace {

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
