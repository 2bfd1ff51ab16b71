#include "picture/picture_plan.h"

#include <algorithm>
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
    const int limit = std::min(request.maxHeight, formatHeightLimit(request.format));
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

}  // namespace orlenda::iecapt
