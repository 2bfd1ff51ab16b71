#include "convert/command_line.h"

#include <gtest/gtest.h>

namespace orlenda {
namespace {

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

}  // namespace
}  // namespace orlenda
