// The Windows text routines the program and the tool share.

#include "shared/win/win_text.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace orlenda {
namespace {

TEST(WinTextTest, Utf8AndUtf16CarryEveryCharacterBothWays) {
    // A blank, a letter outside ASCII, one outside any ANSI code page, and
    // one outside the Basic Multilingual Plane (a surrogate pair).
    for (const std::string text :
         {"", "a b", "J\xC3\xBCrgen", "\xE6\x97\xA5", "\xF0\x9F\x98\x80"}) {
        EXPECT_EQ(utf8FromWide(wideFromUtf8(text)), text) << text;
    }
    EXPECT_EQ(wideFromUtf8("\xF0\x9F\x98\x80"), std::wstring(L"\xD83D\xDE00"));
}

TEST(WinTextTest, TheSystemsErrorTextIsOneLineElseTheNumber) {
    const std::string known = systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_NE(known, "error 2");
    EXPECT_EQ(known.find_first_of("\r\n"), std::string::npos) << known;
    EXPECT_FALSE(known.ends_with('.')) << known;
    // Bit 29 marks a code an application made up: the system has no words for it.
    EXPECT_EQ(systemErrorText(0x20000001), "error 536870913");
}

}  // namespace
}  // namespace orlenda
