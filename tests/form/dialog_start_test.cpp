#include "form/dialog_start.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace orlenda {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

TEST(FolderOfFile, IsThePathUpToItsLastSeparatorAndRootStaysARoot) {
    Cases cases{
        {"/lists/sites.txt", "/lists"},
        {"/a b/c/sites", "/a b/c"},
        {"/sites.txt", "/"},
        {"sites.txt", ""},
        {"", ""},
    };
#ifdef _WIN32
    const Cases windows{
        {"C:\\lists\\sites.txt", "C:\\lists"},
        {"C:\\sites.txt", "C:\\"},
        {"C:/lists/sites.txt", "C:/lists"},
        {"\\\\server\\share\\sites.txt", "\\\\server\\share"},
    };
    cases.insert(cases.end(), windows.begin(), windows.end());
#endif
    for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOfFile(path), folder) << path;
}

}  // namespace
}  // namespace orlenda
