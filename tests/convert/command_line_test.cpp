#include "convert/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orlenda {
namespace {

using Arguments = std::vector<std::string>;

TEST(CaptureCommandLine, QuotesTheToolAndTheOutputButNotTheAddress) {
    EXPECT_EQ(BuildCaptureCommandLine("C:\\Tools\\Conv\\iecapt.exe", "a/b", "D:\\Shots\\a_b.jpg"),
              "\"C:\\Tools\\Conv\\iecapt.exe\" --url=a/b --out=\"D:\\Shots\\a_b.jpg\"");
    EXPECT_EQ(BuildCaptureCommandLine("/opt/or lenda/iecapt", "http://a/b?c=1&d",
                                      "/home/u/Shots/a_b.jpg"),
              "\"/opt/or lenda/iecapt\" --url=http://a/b?c=1&d --out=\"/home/u/Shots/a_b.jpg\"");
}

TEST(CaptureCommandLine, FindsTheToolInTheProgramFolder) {
    EXPECT_EQ(CaptureToolPath("/opt/orlenda"), "/opt/orlenda/iecapt");
}

TEST(EncodeUnsafeAddressCharacters, EncodesBlanksQuotesAndControlCharactersOnly) {
    const std::pair<std::string, std::string> encodings[] = {
        {"http://a/b?c=1&d=%20", "http://a/b?c=1&d=%20"},
        {"a b", "a%20b"},
        {"a\"b", "a%22b"},
        {"a\tb", "a%09b"},
        {"a\r\nb", "a%0D%0Ab"},
        {std::string("a\0b", 3), "a%00b"},
        {"\x1f\x7f", "%1F%7F"},
        {"C:\\x\\", "C:\\x\\"},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"'--out=x'", "'--out=x'"},
    };
    for (const auto& [address, encoded] : encodings) {
        EXPECT_EQ(EncodeUnsafeAddressCharacters(address), encoded) << address;
    }
}

struct Split {
    const char* commandLine;
    Arguments arguments;
};

TEST(SplitCommandLine, FollowsTheMicrosoftRuntimeRules) {
    const Split splits[] = {
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
        {"\"/opt/or lenda/iecapt\" --url=x", {"/opt/or lenda/iecapt", "--url=x"}},
        {"", {""}},
    };
    for (const Split& split : splits) {
        EXPECT_EQ(SplitCommandLine(split.commandLine), split.arguments) << split.commandLine;
    }
}

TEST(QuoteArgument, IsReadBackUnchanged) {
    const std::string arguments[] = {
        "",
        "plain",
        "with blank",
        "tab\there",
        "quote\"inside",
        "trailing\\",
        "\\\\server\\share\\",
        "a\\\"b",
        "\"\"",
        "ends with quote\"",
        "C:\\x\\\\\\a.jpg",
    };
    for (const std::string& argument : arguments) {
        EXPECT_THAT(SplitCommandLine("p " + QuoteArgument(argument)),
                    testing::ElementsAre("p", argument))
            << argument;
    }
}

TEST(CaptureCommandLine, AlwaysGivesTheToolExactlyThreeArguments) {
    const std::pair<std::string, std::string> hostile[] = {
        {"http://x --out=/home/u/.bashrc", "/shots/x.jpg"},
        {"a\" --out=\"/tmp/x", "/shots/a.jpg"},
        {"a\t--out=/x", "/shots/a.jpg"},
        {"a\\\" b\\", "/shots/a.jpg"},
        {"x\n--out=y", "/shots/x.jpg"},
        {"http://a/b", "/shots/a\" --out=\"_etc_x.jpg"},
        {"http://a/b", "/sh\\ots\\/a.jpg"},
    };
    for (const auto& [address, outputPath] : hostile) {
        EXPECT_THAT(
            SplitCommandLine(BuildCaptureCommandLine("/opt/o/iecapt", address, outputPath)),
            testing::ElementsAre("/opt/o/iecapt", "--url=" + EncodeUnsafeAddressCharacters(address),
                                 "--out=" + outputPath))
            << address << " " << outputPath;
    }
}

}  // namespace
}  // namespace orlenda
