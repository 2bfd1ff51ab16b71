#include "platform/qt/visible_text.h"

#include <gtest/gtest.h>

namespace orlenda::platform {
namespace {

TEST(VisibleText, ShowsHiddenAndReorderingCharactersAsEscapes) {
    const std::pair<std::string, QString> cases[] = {
        // Right-to-left override: would read http://evilexe.jpg.
        {"http://evil\u202Egpj.exe", R"(http://evil\u202Egpj.exe)"},
        {"a\tb\r\n\x7F", R"(a\u0009b\u000D\u000A\u007F)"},
        {std::string("\0\x1F", 2), R"(\u0000\u001F)"},
        {"\u0085\u009F", R"(\u0085\u009F)"},  // C1
        {"\u061C\u200E\u200F\u202A\u202D\u2066\u2069",
         R"(\u061C\u200E\u200F\u202A\u202D\u2066\u2069)"},
        {"a\u200Bb\u2060c\uFEFF\u00AD",
         R"(a\u200Bb\u2060c\uFEFF\u00AD)"},  // zero widths, soft hyphen
        {"\u2028\u2029", R"(\u2028\u2029)"},
        {"tag\U000E0041", R"(tag\U000E0041)"},
        // What shows as itself stays.
        {"http://caf\u00E9.example/\u0645\u0631\u062D\u0628\u0627/\U0001F600 a\\b%20",
         QString::fromUtf8(
             "http://caf\u00E9.example/\u0645\u0631\u062D\u0628\u0627/\U0001F600 a\\b%20")},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(VisibleText(text), shown) << text;
    }
}

}  // namespace
}  // namespace orlenda::platform
