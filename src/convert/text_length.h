#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text_limit.h"

namespace orlenda {

// The length of UTF-8 text in the unit the platform counts it in.
std::size_t LengthIn(platform::TextUnit unit, std::string_view text);

bool Fits(std::string_view text, platform::TextLimit limit);

// A count for a message: "4095 bytes", "259 characters".
std::string InUnits(std::size_t count, platform::TextUnit unit);

// The longest beginning of the text that takes at most `longest` units and
// does not cut a character in two.
std::string_view BeginningWithin(std::string_view text, std::size_t longest,
                                 platform::TextUnit unit);

}  // namespace orlenda
