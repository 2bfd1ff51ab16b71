#include "convert/text_length.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orlenda {
namespace {

using platform::TextUnit;

// "aé😀b": 1 + 2 + 4 + 1 bytes; 1 + 1 + 2 + 1 UTF-16 units.
constexpr std::string_view kMixed =
    "a\xC3\xA9\xF0\x9F\x98\x80"
    "b";

TEST(TextLength, CountsAndCutsWholeCharactersInThePlatformsUnit) {
    EXPECT_EQ(LengthIn(TextUnit::Utf8Bytes, kMixed), 8u);
    EXPECT_EQ(LengthIn(TextUnit::Utf16Units, kMixed), 5u);
    const std::tuple<TextUnit, std::size_t, std::size_t> cuts[] = {
        // unit, longest, bytes kept
        {TextUnit::Utf8Bytes, 8, 8},  {TextUnit::Utf8Bytes, 7, 7},  {TextUnit::Utf8Bytes, 6, 3},
        {TextUnit::Utf8Bytes, 2, 1},  {TextUnit::Utf8Bytes, 0, 0},  {TextUnit::Utf16Units, 5, 8},
        {TextUnit::Utf16Units, 4, 7}, {TextUnit::Utf16Units, 3, 3}, {TextUnit::Utf16Units, 1, 1},
    };
    for (const auto& [unit, longest, kept] : cuts) {
        EXPECT_EQ(BeginningWithin(kMixed, longest, unit), kMixed.substr(0, kept)) << longest;
    }
}

}  // namespace
}  // namespace orlenda
