#include "platform/split_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

}  // namespace
}  // namespace orlenda
