#include "Platform/PsdReader.h"

#include "PsdTestFiles.h"

#include <gtest/gtest.h>

using PsdTestFiles::Recipe;

namespace {

constexpr qint64 kLimit = qint64(2048) * 1024 * 1024;

QRgb unpremultiplied(const QImage& image, int x, int y)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

} // namespace

TEST(PsdReader, UnpackBitsHandlesLiteralRepeatAndNoOpPacketsAndRefusesOverrunsAndShortInput)
{
    // literal 3 bytes, repeat 'z' four times, a -128 no-op, literal 1 byte
    const uchar in[] = { 2, 'a', 'b', 'c', uchar(-3), 'z', uchar(-128), 0, 'q' };
    uchar out[8] = {};
    EXPECT_EQ(PsdReader::unpackBitsRow(in, sizeof in, out, 8), qsizetype(sizeof in));
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(out), 8), QByteArray("abczzzzq"));

    // A literal or a repeat too long, bytes or the value missing, a row not filled.
    // (Each count byte is a literal of its own: "\x05" "abcdef", not one long hex escape.)
    for (const QByteArray& bad : { QByteArray("\x05" "abcdef"), QByteArray("\xf7" "x"), QByteArray("\x03" "ab"),
                                   QByteArray("\xfd"), QByteArray("\x01" "ab") })
        EXPECT_EQ(PsdReader::unpackBitsRow(reinterpret_cast<const uchar*>(bad.constData()), bad.size(), out, 4), -1)
            << bad.toHex().constData();
}

TEST(PsdReader, ReadsRgbRawAndPackBitsAtBothDepths)
{
    for (int depth : { 8, 16 })
        for (int compression : { 0, 1 }) {
            SCOPED_TRACE(testing::Message() << "depth " << depth << " compression " << compression);
            // An odd width exercises literal and repeat packets across a row.
            const Recipe recipe{.width = 37, .height = 5, .depth = depth, .compression = compression,
                                .sample = [](int c, int x, int y) { return c == 0 ? x * 6 : c == 1 ? y * 40 : (x < 20 ? 200 : 10); }};
            const auto result = PsdReader::read(PsdTestFiles::build(recipe), kLimit);
            ASSERT_FALSE(result.image.isNull()) << result.error.toStdString();
            EXPECT_EQ(result.image.size(), QSize(37, 5));
            EXPECT_FALSE(result.image.hasAlphaChannel());
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 37; ++x)
                    ASSERT_EQ(result.image.pixel(x, y), qRgb(x * 6, y * 40, x < 20 ? 200 : 10)) << x << "," << y;
        }
}

TEST(PsdReader, ReadsGreyCmykAndAlpha)
{
    const Recipe grey{.channels = 1, .mode = 1, .compression = 1, .sample = [](int, int x, int) { return x * 50; }};
    auto result = PsdReader::read(PsdTestFiles::build(grey), kLimit);
    ASSERT_FALSE(result.image.isNull()) << result.error.toStdString();
    EXPECT_EQ(result.image.pixel(3, 1), qRgb(150, 150, 150));

    // CMYK is stored inverted: 255 is no ink. Cyan ink only gives (0, 255, 255).
    Recipe cmyk{.channels = 4, .mode = 4, .sample = [](int c, int, int) { return c == 0 ? 0 : 255; }};
    result = PsdReader::read(PsdTestFiles::build(cmyk), kLimit);
    ASSERT_FALSE(result.image.isNull()) << result.error.toStdString();
    EXPECT_EQ(result.image.pixel(0, 0), qRgb(0, 255, 255));
    // Half black on white paper.
    cmyk.sample = [](int c, int, int) { return c == 3 ? 128 : 255; };
    result = PsdReader::read(PsdTestFiles::build(cmyk), kLimit);
    EXPECT_EQ(result.image.pixel(0, 0), qRgb(128, 128, 128));

    // A fourth RGB channel is the transparency of the merged image.
    const Recipe rgba{.channels = 4, .depth = 16, .compression = 1,
                      .sample = [](int c, int x, int) { return c == 3 ? (x == 0 ? 0 : 255) : (c == 0 ? 255 : 0); }};
    result = PsdReader::read(PsdTestFiles::build(rgba), kLimit);
    ASSERT_FALSE(result.image.isNull()) << result.error.toStdString();
    EXPECT_TRUE(result.image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(unpremultiplied(result.image, 0, 0)), 0);
    EXPECT_EQ(unpremultiplied(result.image, 1, 0), qRgba(255, 0, 0, 255));
}

TEST(PsdReader, TransparencyAsPhotoshopStoresItIsUnmattedAndOtherExtraChannelsAreNot)
{
    // A colour at no, half and full opacity, composited over white as Photoshop stores
    // the merged image, with the transparency in the first extra channel and a negative
    // layer count: the colour comes back, not its white-cast composite.
    const int colour[] = {200, 40, 10};
    const int opacity[] = {0, 128, 255};
    const auto matted = [&](int c, int x) { return (opacity[x] * colour[c] + (255 - opacity[x]) * 255 + 127) / 255; };
    for (const int mode : {1, 3})
        for (const int depth : {8, 16}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " depth " << depth);
            const int colours = mode == 3 ? 3 : 1;
            const Recipe photoshop{.width = 3, .height = 1, .channels = colours + 1, .depth = depth, .mode = mode,
                                   .compression = 1, .layerCount = -2, .sample = [&](int c, int x, int) {
                                       return c == colours ? opacity[x] : matted(c, x);
                                   }};
            const auto result = PsdReader::read(PsdTestFiles::build(photoshop), kLimit);
            ASSERT_FALSE(result.image.isNull()) << result.error.toStdString();
            EXPECT_EQ(qAlpha(unpremultiplied(result.image, 0, 0)), 0);
            for (int x : {1, 2}) {
                const QRgb pixel = unpremultiplied(result.image, x, 0);
                EXPECT_EQ(qAlpha(pixel), opacity[x]);
                EXPECT_NEAR(qRed(pixel), colour[0], 2) << x;
                EXPECT_NEAR(qGreen(pixel), mode == 3 ? colour[1] : colour[0], 2) << x;
            }

            // With its layers counted positively the extra channel is a saved selection:
            // the merged image is opaque and taken as stored.
            Recipe layered = photoshop;
            layered.layerCount = 3;
            const auto opaque = PsdReader::read(PsdTestFiles::build(layered), kLimit);
            ASSERT_FALSE(opaque.image.isNull()) << opaque.error.toStdString();
            EXPECT_FALSE(opaque.image.hasAlphaChannel());
            EXPECT_EQ(qRed(opaque.image.pixel(1, 0)), matted(0, 1));
        }
}

TEST(PsdReader, RefusesUnsupportedAndInconsistentHeaders)
{
    auto refused = [](QByteArray file, int offset, QByteArray bytes) {
        file.replace(offset, bytes.size(), bytes);
        const auto result = PsdReader::read(file, kLimit);
        return result.image.isNull() && !result.error.isEmpty();
    };
    const QByteArray good = PsdTestFiles::build(Recipe {});
    ASSERT_FALSE(PsdReader::read(good, kLimit).image.isNull());
    EXPECT_TRUE(refused(good, 0, "8BPX"));                          // signature
    EXPECT_TRUE(refused(good, 4, QByteArray("\x00\x02", 2)));       // large-document (PSB) version
    EXPECT_TRUE(refused(good, 12, QByteArray("\x00\x00", 2)));      // no channels
    EXPECT_TRUE(refused(good, 12, QByteArray("\x00\x02", 2)));      // RGB with two channels
    EXPECT_TRUE(refused(good, 14, QByteArray("\x00\x00\x00\x00", 4))); // zero height
    EXPECT_TRUE(refused(good, 18, QByteArray("\x7f\xff\xff\xff", 4))); // absurd width
    EXPECT_TRUE(refused(good, 22, QByteArray("\x00\x20", 2)));      // 32-bit depth
    EXPECT_TRUE(refused(good, 24, QByteArray("\x00\x02", 2)));      // indexed colour
    EXPECT_TRUE(refused(good, 26, QByteArray("\x7f\x00\x00\x00", 4))); // colour data beyond the file
    EXPECT_TRUE(refused(good, PsdTestFiles::dataOffset() - 2, QByteArray("\x00\x02", 2))); // ZIP data

    // A header that promises more pixels than the caller allows is refused up front.
    QByteArray header = PsdTestFiles::build(Recipe {}).left(PsdTestFiles::dataOffset());
    header.replace(14, 8, QByteArray("\x00\x00\x75\x30\x00\x00\x75\x30", 8));
    const auto result = PsdReader::read(header, qint64(1024) * 1024 * 1024);
    EXPECT_TRUE(result.image.isNull());
    EXPECT_TRUE(result.error.contains(QStringLiteral("too large")));
}

TEST(PsdReader, TruncatedFilesAreRefusedAtEveryLength)
{
    for (int compression : { 0, 1 }) {
        const QByteArray file = PsdTestFiles::build({.width = 9, .height = 4, .channels = 4, .compression = compression});
        ASSERT_FALSE(PsdReader::read(file, kLimit).image.isNull());
        for (int length = 0; length < file.size(); ++length) {
            const auto result = PsdReader::read(file.left(length), kLimit);
            EXPECT_TRUE(result.image.isNull()) << "compression " << compression << " length " << length;
        }
    }
}

TEST(PsdReader, ARowTableThatLiesIsRefused)
{
    const QByteArray file = PsdTestFiles::build({.width = 16, .height = 8, .compression = 1});

    // Row lengths that claim more data than the file holds.
    QByteArray lying = file;
    lying[PsdTestFiles::dataOffset()] = char(0xff);
    EXPECT_TRUE(PsdReader::read(lying, kLimit).image.isNull());

    // A row length that is too short leaves the row unfilled: refused, not padded.
    QByteArray shortRow = file;
    shortRow[PsdTestFiles::dataOffset() + 1] = char(1);
    EXPECT_TRUE(PsdReader::read(shortRow, kLimit).image.isNull());
}
