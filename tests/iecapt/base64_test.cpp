// The decoder of the browser's image data, against Qt's encoder and the
// texts no encoder makes.

#include "protocol/base64.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <random>
#include <string>
#include <vector>

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

// The browser's data arrives in reads that cut it anywhere: mid-group, in
// the padding, on either side of a character that refuses it.
TEST(Base64Test, ATextInPiecesCutAnywhereDecodesAsWhole) {
    std::vector<std::string> texts = {"Zg=", "Zm9vY", "Zg==Zg==", "Zm9v YmFy", "Zm9v===="};
    std::mt19937 random(36);
    for (std::size_t length = 0; length < 12; ++length) {
        QByteArray bytes(static_cast<qsizetype>(length), '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        texts.push_back(bytes.toBase64().toStdString());
        texts.push_back(bytes.toBase64(QByteArray::OmitTrailingEquals).toStdString());
    }
    for (const std::string& text : texts) {
        const std::optional<std::string> whole = decodeBase64(text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            for (std::size_t second = cut; second <= text.size(); ++second) {
                Base64Decoder decoder;
                decoder.add(std::string_view(text).substr(0, cut));
                decoder.add(std::string_view(text).substr(cut, second - cut));
                decoder.add(std::string_view(text).substr(second));
                EXPECT_EQ(decoder.finish(), whole) << text << " cut at " << cut << ", " << second;
            }
        }
    }
}

}  // namespace
}  // namespace orlenda::iecapt
