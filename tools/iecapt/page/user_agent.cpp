#include "page/user_agent.h"

#include <string_view>

namespace orlenda::iecapt {

std::string desktopUserAgent(std::string reported) {
    constexpr std::string_view kHeadless = "HeadlessChrome/";
    const auto product = reported.find(kHeadless);
    if (product == std::string::npos) return reported;
    reported.erase(product, std::string_view("Headless").size());
    const auto major = product + std::string_view("Chrome/").size();
    const auto majorEnd = reported.find('.', major);
    const auto versionEnd = reported.find_first_not_of("0123456789.", major);
    if (majorEnd < versionEnd) reported.replace(majorEnd, versionEnd - majorEnd, ".0.0.0");
    return reported;
}

}  // namespace orlenda::iecapt
