#include "jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

extern "C" {
#include <jpeglib.h>
}

namespace orlenda::iecapt::testing {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

// libjpeg's default reaction to a bad file is exit(): come back here instead.
[[noreturn]] void leaveDecoder(j_common_ptr decoder) {
    std::longjmp(reinterpret_cast<ErrorManager*>(decoder->err)->escape, 1);
}

}  // namespace

std::array<int, 3> RgbImage::at(int x, int y) const {
    const std::size_t offset = (static_cast<std::size_t>(y) * width + x) * 3;
    return {pixels[offset], pixels[offset + 1], pixels[offset + 2]};
}

std::optional<RgbImage> readJpeg(const std::string& path) {
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return std::nullopt;
    jpeg_decompress_struct decoder{};
    ErrorManager errors{};
    decoder.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = leaveDecoder;
    RgbImage image;
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_decompress(&decoder);
        return std::nullopt;
    }
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file.get());
    jpeg_read_header(&decoder, TRUE);
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    image.width = static_cast<int>(decoder.output_width);
    image.height = static_cast<int>(decoder.output_height);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = image.pixels.data() +
                       static_cast<std::size_t>(decoder.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    // A truncated file decodes with warnings and grey filler: not whole.
    const bool whole = errors.base.num_warnings == 0;
    jpeg_destroy_decompress(&decoder);
    if (!whole) return std::nullopt;
    return image;
}

}  // namespace orlenda::iecapt::testing
