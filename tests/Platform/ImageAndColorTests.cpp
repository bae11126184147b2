#include "Platform/Image.h"
#include "Platform/RgbaColor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Image, SizeIsInPointsAndInvalidRatiosCountAsOne)
{
    const QImage pixels(300, 200, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(Image(pixels, 2.0).size(), QSizeF(150, 100));
    EXPECT_EQ(Image(pixels, 2.0).pixelSize(), QSize(300, 200));
    EXPECT_EQ(Image(pixels, 1.5).size(), QSizeF(200, 200.0 / 1.5));
    for (const double bad : {0.0, -2.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const Image image(pixels, bad);
        EXPECT_EQ(image.devicePixelRatio(), 1.0) << bad;
        EXPECT_EQ(image.size(), QSizeF(300, 200)) << bad;
    }
    EXPECT_EQ(Image().size(), QSizeF());
}

TEST(Image, CopiesShareThePixelsUntilOneIsPaintedOn)
{
    QImage pixels(64, 64, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::red);
    const Image original(pixels, 2.0);
    const Image copy = original; // NOLINT: the copy is the point
    EXPECT_TRUE(copy.sharesPixelsWith(original));
    EXPECT_FALSE(Image().sharesPixelsWith(Image()));

    QImage edited = copy.bitmap();
    edited.setPixel(0, 0, qRgb(0, 0, 255));
    const Image changed(edited, 2.0);
    EXPECT_FALSE(changed.sharesPixelsWith(original));
    EXPECT_EQ(original.bitmap().pixel(0, 0), qRgb(255, 0, 0));
}

TEST(RgbaColor, EightBitChannelsConvertAndPaintingColourClampsOutOfRangeAndNonFiniteComponents)
{
    EXPECT_EQ(RgbaColor::fromRgb8(255, 0, 51), RgbaColor(1.0, 0.0, 0.2));
    EXPECT_EQ(RgbaColor(0.1, 0.2, 0.3, 0.4).withAlpha(1.0), RgbaColor(0.1, 0.2, 0.3, 1.0));
    EXPECT_NE(RgbaColor(0.1, 0.2, 0.3, 0.4), RgbaColor(0.1, 0.2, 0.3, std::nextafter(0.4, 1.0))) << "compared exactly";
    EXPECT_EQ(RgbaColor(1.5, -0.5, std::nan(""), 2.0).toQColor(), QColor(255, 0, 0, 255));
    EXPECT_EQ(RgbaColor(1, 0.5, 0, 0.5).toArgb(), qRgba(255, 128, 0, 128));
    EXPECT_TRUE(SystemColors::clear.isClear());
    EXPECT_FALSE(SystemColors::black.isClear());
}
