#include "convert/output_path.h"

#include <gtest/gtest.h>

#include "fakes/fake_form.h"

namespace orlenda {
namespace {

// A text given and the text expected back.
struct TextCase {
    const char* given;
    const char* expected;
};

TEST(OutputFileName, FollowsEveryReplacementInOrder) {
    const TextCase namings[] = {
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
    for (const TextCase& naming : namings) {
        EXPECT_EQ(OutputFileName(naming.given), naming.expected) << naming.given;
    }
}

TEST(FileNamePart, IsTheTextAfterTheLastBackslash) {
    EXPECT_EQ(FileNamePart("http://a/b"), "http://a/b");
    EXPECT_EQ(FileNamePart("C:\\Shots\\a_b.jpg"), "a_b.jpg");
    EXPECT_EQ(FileNamePart("a\\"), "");
    EXPECT_EQ(FileNamePart("\\"), "");
    EXPECT_EQ(FileNamePart(""), "");
}

struct Collapse {
    char separator;
    const char* given;
    const char* expected;
};

TEST(CollapseBackslashes, MakesDoubledSeparatorsSingleInOnePass) {
    const Collapse collapses[] = {
        // Backslashes: a leading run becomes the two of a network path.
        {'\\', "C:\\Shots\\a_b.jpg", "C:\\Shots\\a_b.jpg"},
        {'\\', "C:\\\\a_b.jpg", "C:\\a_b.jpg"},
        {'\\', "C:\\Shots\\\\a_b.jpg", "C:\\Shots\\a_b.jpg"},
        {'\\', "\\\\srv\\share\\a_b.jpg", "\\\\srv\\share\\a_b.jpg"},
        {'\\', "\\\\\\srv\\share\\a_b.jpg", "\\\\srv\\share\\a_b.jpg"},
        {'\\', "\\Shots\\a_b.jpg", "\\\\Shots\\a_b.jpg"},
        {'\\', "C:\\x\\\\\\a.jpg", "C:\\x\\\\a.jpg"},
        {'\\', "C:\\x\\\\\\\\a.jpg", "C:\\x\\\\a.jpg"},
        {'\\', "\\\\\\\\", "\\\\"},
        {'\\', "a/b//c", "a/b//c"},
        {'\\', "", ""},
        // Slashes: a leading run becomes one.
        {'/', "/home/u/Shots/a_b.jpg", "/home/u/Shots/a_b.jpg"},
        {'/', "/home/u/Shots//a_b.jpg", "/home/u/Shots/a_b.jpg"},
        {'/', "//a_b.jpg", "/a_b.jpg"},
        {'/', "///srv/a.jpg", "/srv/a.jpg"},
        {'/', "/x///a.jpg", "/x//a.jpg"},
        {'/', "Shots//a.jpg", "Shots/a.jpg"},
        {'/', "a\\\\b", "a\\\\b"},
        {'/', "////", "/"},
    };
    for (const Collapse& collapse : collapses) {
        EXPECT_EQ(CollapseBackslashes(collapse.given, collapse.separator), collapse.expected)
            << collapse.given;
    }
}

class ThrowingFileSystem final : public platform::FileSystem {
public:
    bool fileExists(const std::string&) const override { throw std::runtime_error("no"); }
    bool isFolder(const std::string&) const override { throw std::runtime_error("no"); }
    std::string programFolder() const override { return {}; }
};

TEST(IsFolder, AnswersFalseWhenThePathCannotBeExamined) {
    testing::FakeFileSystem files;
    files.folders = {"/shots"};
    EXPECT_TRUE(IsFolder(files, "/shots"));
    EXPECT_FALSE(IsFolder(files, "/missing"));
    EXPECT_FALSE(IsFolder(ThrowingFileSystem(), "/shots"));
}

}  // namespace
}  // namespace orlenda
