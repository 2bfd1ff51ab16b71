// Joining the parts of a tall page: the joined image shows every row of every
// part in its place, with nothing at the joins.

#include "picture/image_join.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "common/exit_code.h"
#include "picture/picture_plan.h"

namespace orlenda::iecapt {
namespace {

// Row y of the whole picture: one-pixel stripes, each row its own colour.
QRgb colourOfRow(int y) { return qRgb(y % 2 ? 255 : 0, (y * 7) % 256, (y / 256) % 256); }

// Bands of 16 rows, red and blue, so that JPEG's blocks keep their colours.
QRgb colourOfBand(int y) { return y / 16 % 2 == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255); }

// The rows from top of a picture coloured row by row, as a PNG.
std::string pngOfRows(int width, int top, int height, QRgb (*colour)(int) = colourOfRow) {
    QImage part(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) part.setPixel(x, y, colour(top + y));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    part.save(&buffer, "PNG");
    return bytes.toStdString();
}

QImage join(ImageFormat format, int width, const std::vector<ImagePart>& parts,
            QRgb (*colour)(int)) {
    const int height = parts.back().top + parts.back().height;
    ImageJoiner joiner(format, width, height, 95);
    for (const ImagePart& part : parts) {
        joiner.addPart(pngOfRows(width, part.top, part.height, colour), part.height);
    }
    const std::string image = joiner.finish();
    return QImage::fromData(QByteArray::fromStdString(image),
                            format == ImageFormat::Png ? "PNG" : "JPG");
}

TEST(ImageJoinerTest, APngJoinIsExactAcrossEveryJoin) {
    const std::vector<ImagePart> parts = {{0, 300}, {300, 300}, {600, 77}};
    const QImage joined = join(ImageFormat::Png, 40, parts, colourOfRow);
    ASSERT_EQ(joined.size(), QSize(40, 677));
    for (int y = 0; y < joined.height(); ++y) {
        ASSERT_EQ(joined.pixel(y % 40, y), colourOfRow(y)) << "row " << y;
    }
}

TEST(ImageJoinerTest, AJpegJoinKeepsEachRowsColourAtTheJoins) {
    const QImage joined = join(ImageFormat::Jpeg, 64, {{0, 160}, {160, 96}}, colourOfBand);
    ASSERT_EQ(joined.size(), QSize(64, 256));
    for (const int y : {4, 150, 155, 165, 170, 250}) {
        const QColor seen = joined.pixelColor(32, y);
        const QColor expected = QColor::fromRgb(colourOfBand(y));
        EXPECT_LE(std::max(std::abs(seen.red() - expected.red()),
                           std::abs(seen.blue() - expected.blue())),
                  40)
            << "row " << y;
    }
}

TEST(ImageJoinerTest, APartThatIsNotWhatWasAskedForIsRefusedWithItsReason) {
    const struct {
        const char* name;
        std::string png;
        int height;
        const char* reason;
    } cases[] = {
        {"not a PNG", "GIF89a and more than a signature", 10, "Not a PNG file"},
        {"cut short", pngOfRows(40, 0, 10).substr(0, 60), 10, "cut short"},
        {"too narrow", pngOfRows(39, 0, 10), 10, "39x10, not 40x10"},
        {"another height", pngOfRows(40, 0, 11), 10, "40x11, not 40x10"},
    };
    for (const auto& row : cases) {
        ImageJoiner joiner(ImageFormat::Jpeg, 40, 20, 90);
        try {
            joiner.addPart(row.png, row.height);
            ADD_FAILURE() << row.name << " was taken";
        } catch (const CaptureFailure& failure) {
            EXPECT_EQ(failure.code(), ExitCode::BrowserFailed) << row.name;
            EXPECT_THAT(failure.what(), ::testing::HasSubstr(row.reason)) << row.name;
        }
    }
    ImageJoiner incomplete(ImageFormat::Png, 40, 20, 90);
    incomplete.addPart(pngOfRows(40, 0, 10), 10);
    EXPECT_THROW(incomplete.finish(), CaptureFailure);
}

// A time-out or a signal can end a capture between two parts: the joiner then
// goes with the output it has grown so far, and must leave cleanly: a double
// free aborts the test, a leak fails it under the sanitizers.
TEST(ImageJoinerTest, AJoinGivenUpHalfWayEndsCleanly) {
    for (const ImageFormat format : {ImageFormat::Jpeg, ImageFormat::Png}) {
        ImageJoiner joiner(format, 512, 2048, 95);
        joiner.addPart(pngOfRows(512, 0, 1024), 1024);
    }
}

}  // namespace
}  // namespace orlenda::iecapt
