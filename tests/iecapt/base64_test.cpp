// The decoder of the browser's image data, against Qt's encoder and the
// texts no encoder makes.

#include "protocol/base64.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <random>

namespace orlenda::iecapt {
namespace {

TEST(Base64Test, DecodesWhatAnEncoderMadeOfAnyBytesAndAnyLength) {
    std::mt19937 random(15);
    for (std::size_t length = 0; length < 70; ++length) {
        QByteArray bytes(static_cast<qsizetype>(length), '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        for (const auto options : {QByteArray::Base64Encoding, QByteArray::OmitTrailingEquals}) {
            const QByteArray text = bytes.toBase64(options);
            EXPECT_EQ(decodeBase64(text.toStdString()), bytes.toStdString()) << text.toStdString();
        }
    }
    EXPECT_EQ(decodeBase64("Zm9vYmFy"), "foobar");
}

TEST(Base64Test, RefusesWhatNoEncoderMakes) {
    for (const char* text : {"Zg=", "Z", "Zm9vY", "Zg===", "Zg==Zg==", "Zm9v\nYmFy", "Zm9v YmFy",
                             "Zm-_", "Zm9v\xC3\xA9", "=", "Zm9v===="}) {
        EXPECT_EQ(decodeBase64(text), std::nullopt) << text;
    }
    EXPECT_EQ(decodeBase64(std::string_view("Zm8=\0", 5)), std::nullopt);
}

}  // namespace
}  // namespace orlenda::iecapt
