#include "convert/output_path.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "convert/text_length.h"

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
        {"http://a/\t\x01"
         "b\x7F\x1B[1m",
         "a_  b  [1m.jpg"},  // controls as blanks
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

using platform::TextUnit;

const PathLimits kLinuxLimits{{255, TextUnit::Utf8Bytes}, {4095, TextUnit::Utf8Bytes}, '/'};
const PathLimits kWindowsLimits{{255, TextUnit::Utf16Units}, {259, TextUnit::Utf16Units}, '\\'};

// Ends as a shortened name: "~", sixteen hexadecimal digits, ".jpg". (No
// regular expression: GoogleTest's own on Windows knows no {16}.)
bool EndsAsShortened(const std::string& name) {
    if (name.size() < 21 || !name.ends_with(".jpg") || name[name.size() - 21] != '~') return false;
    return std::all_of(name.end() - 20, name.end() - 4, [](char digit) {
        return (digit >= '0' && digit <= '9') || (digit >= 'a' && digit <= 'f');
    });
}

// A name of exactly that many bytes, ".jpg" included.
std::string NameOfBytes(std::size_t bytes, const std::string& filler = "n") {
    std::string stem;
    while (stem.size() + filler.size() + 4 <= bytes) stem += filler;
    return stem + std::string(bytes - 4 - stem.size(), 'x') + ".jpg";
}

TEST(FittingOutputPath, KeepsNamesThatFitAndShortensTheOthersWithinTheLimit) {
    struct Case {
        PathLimits limits;
        std::string folder;
        std::string name;
        bool kept;
    };
    const Case cases[] = {
        {kLinuxLimits, "/f/", NameOfBytes(254), true},
        {kLinuxLimits, "/f/", NameOfBytes(255), true},
        {kLinuxLimits, "/f/", NameOfBytes(256), false},
        {kLinuxLimits, "/f/", NameOfBytes(1000), false},
        {kLinuxLimits, "/f/", NameOfBytes(1000, "\xC3\xA9"), false},          // é: two bytes
        {kLinuxLimits, "/f/", NameOfBytes(1000, "\xF0\x9F\x98\x80"), false},  // four bytes
        {kLinuxLimits, "/" + std::string(3900, 'f'), NameOfBytes(255),
         false},  // the path is too long
        {kLinuxLimits, "/" + std::string(4094 - 22, 'f'), NameOfBytes(100), false},
        // Windows counts UTF-16 units: 200 é take 200 units but 400 bytes.
        {kWindowsLimits, "C:\\", NameOfBytes(404, "\xC3\xA9"), true},
        {kWindowsLimits, "C:\\", NameOfBytes(1000, "\xF0\x9F\x98\x80"), false},
        {kWindowsLimits, "C:\\" + std::string(200, 'f'), NameOfBytes(100), false},
    };
    for (const Case& c : cases) {
        const OutputPathChoice choice = FittingOutputPath(c.folder, c.name, c.limits);
        const std::string folderPart =
            CollapseBackslashes(c.folder + c.limits.separator, c.limits.separator);
        ASSERT_EQ(choice.problem, "") << c.name;
        ASSERT_THAT(choice.path, ::testing::StartsWith(folderPart));
        const std::string name = choice.path.substr(folderPart.size());
        EXPECT_LE(LengthIn(c.limits.name.unit, name), c.limits.name.longest) << c.name;
        EXPECT_LE(LengthIn(c.limits.path.unit, choice.path), c.limits.path.longest) << c.name;
        if (c.kept) {
            EXPECT_EQ(name, c.name);
            continue;
        }
        // As much of the beginning as fits, whole characters only, and the hash.
        EXPECT_TRUE(EndsAsShortened(name)) << name;
        const std::string beginning = name.substr(0, name.size() - 21);
        EXPECT_TRUE(c.name.starts_with(beginning)) << name;
        EXPECT_NE(static_cast<unsigned char>(c.name[beginning.size()]) & 0xC0, 0x80) << name;
        const std::size_t room =
            std::min(c.limits.name.longest,
                     c.limits.path.longest - LengthIn(c.limits.path.unit, folderPart));
        EXPECT_GT(LengthIn(c.limits.name.unit, name) + 4, room) << name;
        EXPECT_EQ(FittingOutputPath(c.folder, c.name, c.limits).path, choice.path);
    }
}

TEST(FittingOutputPath, KeepsLongAddressesThatDifferOnlyAtTheEndApart) {
    const std::string query = "http://a.example/search?q=" + std::string(400, 'q');
    const std::string first = FittingOutputPath("/f", OutputFileName(query + "1")).path;
    const std::string second = FittingOutputPath("/f", OutputFileName(query + "2")).path;
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, 200), second.substr(0, 200));
}

TEST(FittingOutputPath, SaysWhenTheFolderLeavesNoRoomForAShortenedName) {
    const std::string folder = "/" + std::string(4094 - 21, 'f');  // 20 bytes left
    const std::string longName = NameOfBytes(30);
    EXPECT_EQ(FittingOutputPath(folder, longName, kLinuxLimits).problem,
              "the output folder's path is too long to hold any file: paths may take at most "
              "4095 bytes");
    EXPECT_EQ(FittingOutputPath(folder, longName, kLinuxLimits).path, "");
    // A name that fits as it is needs no room for a hash.
    EXPECT_EQ(FittingOutputPath(folder, "a.jpg", kLinuxLimits).path, folder + "/a.jpg");
}

class UnreadableFileSystem final : public platform::FileSystem {
public:
    bool fileExists(const std::string&) const override { throw std::runtime_error("no"); }
    bool isFolder(const std::string&) const override { throw std::runtime_error("no"); }
    std::string programFolder() const override { return {}; }
    std::optional<platform::FileStamp> fileStamp(const std::string&) const override { return {}; }
    std::string typedPath(const std::string& text) const override { return text; }
};

TEST(IsFolder, AnswersFalseWhenThePathCannotBeExamined) {
    EXPECT_FALSE(IsFolder(UnreadableFileSystem(), "/shots"));
}

}  // namespace
}  // namespace orlenda
