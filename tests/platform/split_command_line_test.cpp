#include "platform/posix/split_command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "convert/command_line.h"

namespace orlenda {
namespace {

TEST(SplitCommandLine, FollowsTheMicrosoftRuntimeRules) {
    const std::pair<const char*, std::vector<std::string>> splits[] = {
        // The runtime's documented examples.
        {"p \"a b c\" d e", {"p", "a b c", "d", "e"}},
        {"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
        {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        {"p a\"b\"\" c d", {"p", "ab\" c d"}},
        // Blanks and tabs separate, however many; quotes make empty arguments.
        {"p \t a\t\tb  ", {"p", "a", "b"}},
        {"p \"\" x", {"p", "", "x"}},
        {"p \"a b", {"p", "a b"}},
        {"p a\\", {"p", "a\\"}},
        // The program's name honours quotes only: its backslashes are literal.
        {"\"C:\\Program Files\\a\\\"b c", {"C:\\Program Files\\a\\b", "c"}},
        {"", {""}},
    };
    for (const auto& [commandLine, arguments] : splits) {
        EXPECT_EQ(platform::SplitCommandLine(commandLine), arguments) << commandLine;
    }
}

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
