#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

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

}  // namespace orlenda::iecapt
