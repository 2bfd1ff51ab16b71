#pragma once

namespace orlenda::platform {

// Twips (1/1440 inch) to pixels at the given resolution, rounded to the
// nearest whole pixel.
constexpr int TwipsToPixels(int twips, int dotsPerInch = 96) {
    return (2 * twips * dotsPerInch + 1440) / 2880;
}

}  // namespace orlenda::platform
