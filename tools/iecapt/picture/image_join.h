#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "picture/image_format.h"

namespace orlenda::iecapt {

// Joins the parts of a page into one image, encoded once. The parts are PNGs
// as the browser sent them, lossless, so the joins do not show; each is
// decoded a row at a time straight into the encoder, so memory holds one
// part's PNG and the growing output, never the whole picture. JPEG or PNG.
class ImageJoiner {
public:
    ImageJoiner(ImageFormat format, int width, int height, int quality);
    ~ImageJoiner();
    ImageJoiner(const ImageJoiner&) = delete;
    ImageJoiner& operator=(const ImageJoiner&) = delete;

    // Adds the next part, which must be the image's width and the given
    // height. Throws a CaptureFailure when it cannot be read.
    void addPart(std::string_view png, int height);
    // The encoded image, once all its rows have come.
    std::string finish();

    class Encoder;

private:
    std::unique_ptr<Encoder> m_encoder;
    int m_width;
    int m_height;
    int m_rowsAdded = 0;
};

}  // namespace orlenda::iecapt
