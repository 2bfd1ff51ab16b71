// What the page is told the browser is.

#include "page/user_agent.h"

#include <gtest/gtest.h>

namespace orlenda::iecapt {
namespace {

TEST(DesktopUserAgentTest, NeitherHeadlessNorAFullVersionReachesThePage) {
    constexpr std::string_view kBefore = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 ";
    const struct {
        std::string reported, told;
    } cases[] = {
        {"HeadlessChrome/156.0.8078.129 Safari/537.36", "Chrome/156.0.0.0 Safari/537.36"},
        {"HeadlessChrome/156.0.0.0 Safari/537.36", "Chrome/156.0.0.0 Safari/537.36"},
        {"HeadlessChrome/1.0", "Chrome/1.0.0.0"},
        {"HeadlessChrome/77", "Chrome/77"},
        {"Chrome/156.0.8078.129 Safari/537.36", "Chrome/156.0.8078.129 Safari/537.36"},
        {"", ""},
    };
    for (const auto& [reported, told] : cases) {
        EXPECT_EQ(desktopUserAgent(std::string(kBefore) + reported), std::string(kBefore) + told)
            << reported;
    }
}

}  // namespace
}  // namespace orlenda::iecapt
