#include "options/address.h"

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
        const NormalisedAddress address = normaliseAddress(given, false);
        EXPECT_EQ(address.url, opened) << given;
        EXPECT_EQ(address.error, opened.empty() ? "the address is empty" : "") << given;
    }
}

TEST(AddressTest, OnlyWebPagesAreOpenedAndLocalFilesOnlyWhenAllowed) {
    const struct {
        std::string given;
        bool allowFiles;
        std::string error;  // "" when opened
    } cases[] = {
        {"https://a/", false, ""},
        {"HtTpS://a/", false, ""},
        {"file:///etc/passwd", false, "--allow-file-urls"},
        {"%20FILE:///etc/passwd", false, "--allow-file-urls"},
        {"file:///tmp/a.html", true, ""},
        {"chrome://version", true, "not chrome:"},
        {"javascript:alert(1)", false, "not javascript:"},
        {"data:text/html,<b>x</b>", true, "not data:"},
        {"about:blank", false, "not about:"},
        {"view-source:http://a/", false, "not view-source:"},
        {"ftp://a/", false, "not ftp:"},
        {"blob:http://a/1", false, "not blob:"},
        {"localhost:8080/x", false, ""},
    };
    for (const auto& [given, allowFiles, error] : cases) {
        const NormalisedAddress address = normaliseAddress(given, allowFiles);
        EXPECT_EQ(address.url.empty(), !error.empty()) << given;
        EXPECT_NE(address.error.find(error), std::string::npos) << given << ": " << address.error;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
