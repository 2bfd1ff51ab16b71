#include "picture/picture_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/message_text.h"

namespace orlenda::iecapt {

std::vector<ImagePart> planParts(int width, int height, ShotLimit limit) {
    const long long byArea = limit.maxPixels / std::max(width, 1);
    const int partHeight = static_cast<int>(std::clamp<long long>(byArea, 1, limit.maxSide));
    std::vector<ImagePart> parts;
    for (int top = 0; top < height; top += partHeight) {
        parts.push_back({top, std::min(partHeight, height - top)});
    }
    return parts;
}

int heightLimit(const PictureRequest& request) {
    return std::min(request.maxHeight, formatHeightLimit(request.format));
}

int tallestPicture(const PictureRequest& request) {
    return request.fullPage ? heightLimit(request)
                            : std::min(request.viewportHeight, heightLimit(request));
}

PicturePlan planPicture(const PictureRequest& request, ContentSize content, ShotLimit shotLimit) {
    PicturePlan plan{.height = request.viewportHeight,
                     .parts = {},
                     .shotFormat = request.format,
                     .warnings = {}};
    if (request.fullPage) {
        plan.height = std::max(static_cast<int>(std::ceil(content.height)), request.viewportHeight);
        // A fraction of a pixel over is rounding, not a part left out.
        const int contentWidth = static_cast<int>(std::floor(content.width));
        if (contentWidth > request.width) {
            plan.warnings.push_back(widthCutWarning(contentWidth, request.width));
        }
    }
    const int limit = heightLimit(request);
    if (plan.height > limit) {
        plan.warnings.push_back(heightCutWarning(plan.height, limit));
        plan.height = limit;
    }
    // What the browser takes in one go it also encodes: never encoded twice.
    // The join cannot write WebP: the browser takes it whole.
    plan.parts = request.format == ImageFormat::WebP
                     ? std::vector<ImagePart>{{0, plan.height}}
                     : planParts(request.width, plan.height, shotLimit);
    if (plan.joined()) plan.shotFormat = ImageFormat::Png;
    return plan;
}

ShotLimit singleShotLimit(std::string_view userAgent) {
    // Striped pages came out exact in one JPEG or PNG shot from Chromium 156
    // on Linux, the headless shell and the full browser alike, at 1024x65,500
    // (the tallest image), 2048x40,000, 4096x20,000 and 16,384x6,000: up to
    // 98 million pixels. The limit keeps a third of that as margin. Earlier
    // builds cut, blanked or repeated shots taller than 16,384 px, and other
    // systems draw with other limits (a graphics card's textures).
    constexpr ShotLimit kMeasured = {kMaxImageHeight, 1024LL * kMaxImageHeight};
    constexpr ShotLimit kEveryChromium = {kMaxPartSide, 1024LL * kMaxPartSide};
    constexpr int kMeasuredVersion = 156;
    constexpr std::string_view kProduct = "Chrome/";
    const auto product = userAgent.find(kProduct);
    if (product == std::string_view::npos || userAgent.find("Linux") == std::string_view::npos) {
        return kEveryChromium;
    }
    int major = 0;
    const std::string_view version = userAgent.substr(product + kProduct.size());
    std::from_chars(version.data(), version.data() + version.size(), major);
    return major >= kMeasuredVersion ? kMeasured : kEveryChromium;
}

}  // namespace orlenda::iecapt
