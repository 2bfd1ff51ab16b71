#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace orlenda::iecapt {

// How many rows a band of a JPEG picture is a whole number of, whatever the
// encoder's chroma sampling: the tallest block row JPEG has.
inline constexpr int kJpegBandRows = 16;

// Joins the bands of a picture that the browser encoded as JPEG, without
// decoding them: their DCT coefficients go into one picture as they are,
// and its Huffman tables are made for the whole, as the browser makes its
// own. The picture is then, to the byte, the one the browser makes of the
// page in one shot, while the browser never holds more than a band. Every
// band but the last must be a whole number of kJpegBandRows high, and all
// of them encoded alike.
class JpegBandJoiner {
public:
    JpegBandJoiner(int width, int height);
    ~JpegBandJoiner();
    JpegBandJoiner(const JpegBandJoiner&) = delete;
    JpegBandJoiner& operator=(const JpegBandJoiner&) = delete;

    // Adds the next band, top to bottom. Throws a CaptureFailure when it
    // cannot be read or does not fit the bands before it.
    void addBand(std::string_view jpeg);
    // The picture, once all its rows have come.
    std::string finish();

private:
    struct Output;
    std::unique_ptr<Output> m_output;
    int m_width;
    int m_height;
    int m_rowsAdded = 0;
};

}  // namespace orlenda::iecapt
