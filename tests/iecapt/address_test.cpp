#include "address.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

struct AddressCase {
    std::string given;
    std::string opened;
};

class AddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressTest, IsOpenedAs) {
    const NormalisedAddress address = normaliseAddress(GetParam().given);
    EXPECT_EQ(address.error, "");
    EXPECT_EQ(address.url, GetParam().opened);
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, AddressTest,
    ::testing::Values(AddressCase{"http://a/b", "http://a/b"},
                      AddressCase{"https://a/b", "https://a/b"},
                      AddressCase{"HTTP://A/", "HTTP://A/"}, AddressCase{"a/b", "http://a/b"},
                      AddressCase{"www.example.com", "http://www.example.com"},
                      AddressCase{"localhost:8080/x", "http://localhost:8080/x"},
                      AddressCase{"127.0.0.1:80", "http://127.0.0.1:80"},
                      AddressCase{"host:8080?q=1", "http://host:8080?q=1"},
                      AddressCase{"//a/b", "http://a/b"},
                      AddressCase{"file:///tmp/a.html", "file:///tmp/a.html"},
                      AddressCase{"about:blank", "about:blank"},
                      AddressCase{"data:text/html,<b>x</b>", "data:text/html,<b>x</b>"}));

// Callers percent-encode blanks, quotes and control characters; what lies
// inside the address is kept exactly.
INSTANTIATE_TEST_SUITE_P(
    Blanks, AddressTest,
    ::testing::Values(
        AddressCase{"  http://a/  ", "http://a/"}, AddressCase{"\thttp://a/\r\n", "http://a/"},
        AddressCase{"%20http://a/%20", "http://a/"}, AddressCase{"%09%20a/b%0d%0A", "http://a/b"},
        AddressCase{"\xEF\xBB\xBFhttp://a/", "http://a/"},
        AddressCase{"%EF%BB%BFa/b", "http://a/b"}, AddressCase{" \xEF\xBB\xBF a/b", "http://a/b"},
        AddressCase{"http://a/b%20c%22d%22", "http://a/b%20c%22d%22"},
        AddressCase{"a b", "http://a b"}, AddressCase{"%2520a", "http://%2520a"}));

TEST(AddressRefusalTest, NothingButBlanksIsAnEmptyAddress) {
    for (const char* given : {"", " ", "%20", "\t%09 \r\n", "\xEF\xBB\xBF", "%EF%BB%BF%20"}) {
        const NormalisedAddress address = normaliseAddress(given);
        EXPECT_EQ(address.url, "") << given;
        EXPECT_EQ(address.error, "the address is empty") << given;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
