#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// The largest window side, and the tallest picture every Chromium takes
// exactly in one shot (its texture limit at scale 1).
inline constexpr int kMaxPartSide = 16384;
// The tallest full-page image: JPEG's own limit.
inline constexpr int kMaxImageHeight = 65500;

enum class ImageFormat { Jpeg, Png, WebP };

// The format a file name asks for by its extension, in any letter case:
// .jpg/.jpeg, .png or .webp; a name without an extension gets JPEG. Nothing
// for any other extension, so JPEG data never lands in a file named .gif.
std::optional<ImageFormat> imageFormatFor(std::string_view path);

// The name the browser's screenshot command knows the format by.
std::string_view protocolName(ImageFormat format);

// The tallest image a format can hold: JPEG stops at 65,500 pixels (its
// encoders' limit), WebP at 16,383. PNG has no such limit; it keeps JPEG's so
// that every format is cut at the same place.
int formatHeightLimit(ImageFormat format);

// Whether the data starts with the format's signature (and, for JPEG, ends
// with its end marker): anything else is not an image to keep.
bool looksLikeImage(const std::string& data, ImageFormat format);

}  // namespace orlenda::iecapt
