#include "address.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

TEST(AddressTest, GetsHttpWhenItHasNoSchemeAndLosesOnlyItsOuterBlanks) {
    // Callers percent-encode blanks, quotes and control characters; what lies
    // inside the address is kept exactly. Nothing left is an empty address.
    const std::pair<std::string, std::string> cases[] = {
        {"HTTP://A/", "HTTP://A/"},
        {"a/b", "http://a/b"},
        {"localhost:8080/x", "http://localhost:8080/x"},
        {"host:8080?q=1", "http://host:8080?q=1"},
        {"localhost:8080", "http://localhost:8080"},
        {"127.0.0.1:80", "http://127.0.0.1:80"},
        {"//a/b", "http://a/b"},
        {"file:///tmp/a.html", "file:///tmp/a.html"},
        {"data:text/html,<b>x</b>", "data:text/html,<b>x</b>"},
        {"\thttp://a/\r\n", "http://a/"},
        {"%20http://a/%20", "http://a/"},
        {"%09%20a/b%0d%0A", "http://a/b"},
        {"\xEF\xBB\xBFhttp://a/", "http://a/"},
        {"%EF%BB%BFa/b", "http://a/b"},
        {" \xEF\xBB\xBF a/b", "http://a/b"},
        {"http://a/b%20c%22d%22", "http://a/b%20c%22d%22"},
        {"a b", "http://a b"},
        {"%2520a", "http://%2520a"},
        {"", ""},
        {"\t%09 \r\n", ""},
        {"\xEF\xBB\xBF", ""},
        {"%EF%BB%BF%20", ""},
    };
    for (const auto& [given, opened] : cases) {
        const NormalisedAddress address = normaliseAddress(given);
        EXPECT_EQ(address.url, opened) << given;
        EXPECT_EQ(address.error, opened.empty() ? "the address is empty" : "") << given;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
