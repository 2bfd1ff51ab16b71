// Joining JPEG bands without decoding them: the picture is, to the byte, the
// one the whole would have been encoded as.

#include "picture/jpeg_bands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <random>

#include "common/exit_code.h"

namespace orlenda::iecapt {
namespace {

// Noise, which leaves JPEG no two blocks alike; the same every run.
QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, random() & 0xFFFFFF);
    }
    return image;
}

// As a browser encodes a picture: Huffman tables made for it, or the standard ones.
std::string jpegOf(const QImage& image, int quality, bool tablesMadeForIt) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, "JPEG");
    writer.setQuality(quality);
    writer.setOptimizedWrite(tablesMadeForIt);
    writer.write(image);
    return bytes.toStdString();
}

std::string bandOf(const QImage& whole, int top, int height, int quality = 90) {
    return jpegOf(whole.copy(0, top, whole.width(), height), quality, false);
}

TEST(JpegBandJoinerTest, BandsJoinIntoTheWholePicturesVeryBytes) {
    const QImage whole = noise(72, 100);
    const std::vector<std::vector<int>> plans = {{100}, {16, 84}, {32, 48, 20}, {96, 4}};
    for (const std::vector<int>& heights : plans) {
        JpegBandJoiner joiner(72, 100);
        int top = 0;
        for (const int height : heights) {
            joiner.addBand(bandOf(whole, top, height));
            top += height;
        }
        EXPECT_EQ(joiner.finish(), jpegOf(whole, 90, true)) << heights.size() << " bands";
    }
}

TEST(JpegBandJoinerTest, ABandThatDoesNotFitIsRefusedWithItsReason) {
    const QImage whole = noise(64, 64);
    const struct {
        const char* name;
        std::vector<std::string> bands;
        const char* reason;
    } cases[] = {
        {"not a JPEG", {"GIF89a and more than a signature"}, "Not a JPEG file"},
        {"cut short in its header", {bandOf(whole, 0, 32).substr(0, 200)}, "cannot read"},
        {"cut short in its blocks",
         {bandOf(whole, 0, 32).substr(0, bandOf(whole, 0, 32).size() - 100)},
         "Premature end of JPEG file"},
        {"too narrow", {jpegOf(noise(48, 32), 90, false)}, "a band of 48x32 after 0 rows"},
        {"after a band that ends inside a block row",
         {bandOf(whole, 0, 20), bandOf(whole, 20, 16)},
         "after 20 rows"},
        {"more rows than the picture", {bandOf(whole, 0, 32), bandOf(whole, 0, 48)}, "after 32"},
        {"at another quality",
         {bandOf(whole, 0, 32), bandOf(whole, 32, 32, 50)},
         "encoded otherwise"},
    };
    for (const auto& row : cases) {
        JpegBandJoiner joiner(64, 64);
        try {
            for (const std::string& band : row.bands) joiner.addBand(band);
            ADD_FAILURE() << row.name << " was taken";
        } catch (const CaptureFailure& failure) {
            EXPECT_EQ(failure.code(), ExitCode::BrowserFailed) << row.name;
            EXPECT_THAT(failure.what(), ::testing::HasSubstr(row.reason)) << row.name;
        }
    }
    JpegBandJoiner incomplete(64, 64);
    incomplete.addBand(bandOf(whole, 0, 32));
    EXPECT_THROW(incomplete.finish(), CaptureFailure);
}

// A time-out or a signal can end a capture between two bands: the joiner
// then goes with what it holds, and must leave cleanly (the sanitizers see
// a leak or a double free).
TEST(JpegBandJoinerTest, AJoinGivenUpHalfWayEndsCleanly) {
    const QImage whole = noise(64, 64);
    JpegBandJoiner joiner(64, 64);
    joiner.addBand(bandOf(whole, 0, 32));
}

}  // namespace
}  // namespace orlenda::iecapt
