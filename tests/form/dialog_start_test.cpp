#include "form/dialog_start.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace orlenda {
namespace {

TEST(FolderOfFile, IsThePathUpToItsLastSeparatorAndRootStaysARoot) {
    const std::pair<std::string, std::string> cases[] = {
        {"/lists/sites.txt", "/lists"},
        {"/sites.txt", "/"},
        {"sites.txt", ""},
        {"", ""},
#ifdef _WIN32
        {"C:\\lists\\sites.txt", "C:\\lists"},
        {"C:\\sites.txt", "C:\\"},
        {"C:/lists/sites.txt", "C:/lists"},
        {"\\\\server\\share\\sites.txt", "\\\\server\\share"},
#endif
    };
    for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOfFile(path), folder) << path;
}

}  // namespace
}  // namespace orlenda
