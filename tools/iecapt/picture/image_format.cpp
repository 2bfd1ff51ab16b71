#include "picture/image_format.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace orlenda::iecapt {

std::optional<ImageFormat> imageFormatFor(std::string_view path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension.empty() || extension == ".jpg" || extension == ".jpeg") return ImageFormat::Jpeg;
    if (extension == ".png") return ImageFormat::Png;
    if (extension == ".webp") return ImageFormat::WebP;
    return std::nullopt;
}

std::string_view protocolName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
            return "png";
        case ImageFormat::WebP:
            return "webp";
        case ImageFormat::Jpeg:
            break;
    }
    return "jpeg";
}

int formatHeightLimit(ImageFormat format) {
    return format == ImageFormat::WebP ? 16383 : kMaxImageHeight;
}

bool looksLikeImage(const std::string& image, ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
            return image.starts_with("\x89PNG\r\n\x1A\n");
        case ImageFormat::WebP:
            return image.size() > 12 && image.starts_with("RIFF") &&
                   image.compare(8, 4, "WEBP") == 0;
        case ImageFormat::Jpeg:
            break;
    }
    return image.size() > 4 && image.starts_with("\xFF\xD8") && image.ends_with("\xFF\xD9");
}

}  // namespace orlenda::iecapt
