#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orlenda::iecapt::testing {

// A decoded picture, to look at the colour of the capture at known places.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;  // rows of R, G, B

    std::array<int, 3> at(int x, int y) const;
};

// Decodes a JPEG file with libjpeg; nothing when it is not a whole JPEG.
std::optional<RgbImage> readJpeg(const std::string& path);

}  // namespace orlenda::iecapt::testing
