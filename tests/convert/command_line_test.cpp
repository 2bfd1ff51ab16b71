#include "convert/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "platform/split_command_line.h"

namespace orlenda {
namespace {

using platform::TextLimit;
using platform::TextUnit;
using ::testing::HasSubstr;

TEST(EncodeUnsafeAddressCharacters, EncodesBlanksQuotesAndControlCharactersOnly) {
    const std::pair<std::string, std::string> encodings[] = {
        {"http://a/b?c=1&d=%20", "http://a/b?c=1&d=%20"},
        {"a b\"c", "a%20b%22c"},
        {"a\r\n\tb", "a%0D%0A%09b"},
        {std::string("a\0b\x1f\x7f", 5), "a%00b%1F%7F"},
        {"C:\\x\\caf\xc3\xa9'--out=x'", "C:\\x\\caf\xc3\xa9'--out=x'"},
    };
    for (const auto& [address, encoded] : encodings) {
        EXPECT_EQ(EncodeUnsafeAddressCharacters(address), encoded) << address;
    }
}

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// The argument "--url=" and the address as passed, percent-encoded, counted
// the way the platform counts: 20 units leave the address 14.
TEST(AddressProblem, RefusesANulAndAnArgumentLongerThanThePlatformPasses) {
    const TextLimit bytes{20, TextUnit::Utf8Bytes};
    const TextLimit units{20, TextUnit::Utf16Units};
    const std::string tooLong =
        "the address is too long to pass to the capture tool: as passed it takes ";
    const std::tuple<std::string, TextLimit, std::string> cases[] = {
        {std::string(14, 'a'), bytes, ""},
        {std::string(15, 'a'), bytes, tooLong + "21 bytes, the system passes at most 20 bytes"},
        {"a b c d e", bytes, tooLong + "23 bytes, the system passes at most 20 bytes"},
        {Repeated("\xC3\xA9", 14), units, ""},
        {Repeated("\xF0\x9F\x98\x80", 8),  // two units each
         units, tooLong + "22 characters, the system passes at most 20 characters"},
        {std::string("a\0b", 3), bytes,
         "the address holds a NUL character, which cannot be passed to the capture tool"},
    };
    for (const auto& [address, limit, problem] : cases) {
        EXPECT_EQ(AddressProblem(address, limit), problem) << address;
    }
    const std::size_t longest = platform::kArgumentLimit.longest - 6;
    EXPECT_EQ(AddressProblem(std::string(longest, 'a')), "");
    EXPECT_THAT(AddressProblem(std::string(longest + 1, 'a')), HasSubstr("too long"));
}

TEST(BuildCaptureCommandLine, RefusesWhatWouldStartAnotherProgramOrCannotBePassed) {
    const std::tuple<std::string, std::string, std::string> refusals[] = {
        // The line would start /tmp/x with the arguments y/iecapt, --url=... .
        {"/tmp/x\" \"y/iecapt", "http://a", "the program's folder holds a double quote"},
        {"/opt/orlenda/iecapt", std::string(200 * 1024, 'a'), "too long"},
        {"/opt/orlenda/iecapt", std::string("a\0b", 3), "NUL"},
    };
    for (const auto& [tool, address, reason] : refusals) {
        EXPECT_THAT([&] { BuildCaptureCommandLine(tool, address, "/f/a.jpg"); },
                    ::testing::ThrowsMessage<CommandLineRefused>(HasSubstr(reason)))
            << tool;
    }
    EXPECT_EQ(ToolPathProblem("/opt/or lenda/iecapt"), "");
}

// The round trip on every platform: the line the program builds, split by the
// Microsoft C runtime's rule (as the tool's runtime splits it on Windows and
// the POSIX processes split it here), gives back exactly the tool, the address
// and the path.
TEST(BuildCaptureCommandLine, AlwaysGivesTheToolExactlyItsThreeArguments) {
    // Addresses that try to bring options of their own, and output paths
    // that only survive when escaped.
    const std::pair<std::string, std::string> captures[] = {
        {"http://x --out=/home/u/.bashrc", "C:\\x\\\\\\a.jpg"},
        {"a\" --out=\"/tmp/x", ""},
        {"a\t--out=/x", "with blank and quote\"inside"},
        {"a\\\" b\\", "\\\\server\\share\\"},
        {"x\n--out=y", "a\\\"b ends with quote\""},
    };
    for (const auto& [address, outputPath] : captures) {
        EXPECT_THAT(platform::SplitCommandLine(
                        BuildCaptureCommandLine("/opt/or lenda/iecapt", address, outputPath)),
                    ::testing::ElementsAre("/opt/or lenda/iecapt",
                                           "--url=" + EncodeUnsafeAddressCharacters(address),
                                           "--out=" + outputPath))
            << address << " " << outputPath;
    }
}

}  // namespace
}  // namespace orlenda
