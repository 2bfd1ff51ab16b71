#include "convert/output_path.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

namespace orlenda {
namespace {

TEST(OutputFileName, FollowsEveryReplacementInOrder) {
    const std::pair<const char*, const char*> namings[] = {
        {"http://a/b", "a_b.jpg"},
        {"http://a.b/c?d=1", "a.b_c d=1.jpg"},
        {"https://a/b", "https __a_b.jpg"},
        {"HTTP://A/B", "HTTP __A_B.jpg"},
        {"a:8080/x|y", "a 8080_x y.jpg"},
        {"http://a_b", "a_b.jpg"},  // the same file as http://a/b
        {"x/http://y/http://z", "x_y_z.jpg"},
        {"http:/", "http _.jpg"},           // no whole "http://": kept, colon blanked
        {"httphttp://://", "http __.jpg"},  // no second pass over what a removal joins
        {"a\\b*c:d?e<f>g|h", "a b c d e f g h.jpg"},
        {"say \"hi\" . ", "say \"hi\" . .jpg"},  // quotes and blanks stay, nothing trimmed
        {"", ".jpg"},
    };
    for (const auto& [address, name] : namings) {
        EXPECT_EQ(OutputFileName(address), name) << address;
    }
}

TEST(CollapseBackslashes, MakesDoubledSeparatorsSingleInOnePass) {
    const std::tuple<char, const char*, const char*> collapses[] = {
        // Backslashes: a leading run becomes the two of a network path.
        {'\\', "\\\\srv\\share\\a_b.jpg", "\\\\srv\\share\\a_b.jpg"},
        {'\\', "\\\\\\srv\\a_b.jpg", "\\\\srv\\a_b.jpg"},
        {'\\', "\\Shots\\a_b.jpg", "\\\\Shots\\a_b.jpg"},
        {'\\', "C:\\x\\\\\\a/b//c", "C:\\x\\\\a/b//c"},
        // Slashes: a leading run becomes one.
        {'/', "/home/u/Shots//a_b.jpg", "/home/u/Shots/a_b.jpg"},
        {'/', "///srv/a.jpg", "/srv/a.jpg"},
        {'/', "/x///a.jpg", "/x//a.jpg"},
        {'/', "/x////a\\\\b", "/x//a\\\\b"},
        {'/', "////", "/"},
    };
    for (const auto& [separator, path, collapsed] : collapses) {
        EXPECT_EQ(CollapseBackslashes(path, separator), collapsed) << path;
    }
}

class UnreadableFileSystem final : public platform::FileSystem {
public:
    bool fileExists(const std::string&) const override { throw std::runtime_error("no"); }
    bool isFolder(const std::string&) const override { throw std::runtime_error("no"); }
    std::string programFolder() const override { return {}; }
    std::optional<platform::FileStamp> fileStamp(const std::string&) const override { return {}; }
};

TEST(IsFolder, AnswersFalseWhenThePathCannotBeExamined) {
    EXPECT_FALSE(IsFolder(UnreadableFileSystem(), "/shots"));
}

}  // namespace
}  // namespace orlenda
