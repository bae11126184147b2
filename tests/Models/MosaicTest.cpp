#include "Models/Mosaic.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

const QRgb red = qRgb(255, 0, 0);
const QRgb green = qRgb(0, 255, 0);
const QRgb blue = qRgb(0, 0, 255);
const QRgb white = qRgb(255, 255, 255);

QImage quadrants(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, x < side / 2 ? (y < side / 2 ? red : blue) : (y < side / 2 ? green : white));
    return image;
}

} // namespace

TEST(MosaicCellCount, CellsPerSideFollowIntensityAndUnboundedExtentsAreClamped)
{
    const std::tuple<double, double, int> cases[] = {
        {1.0, 5, 60}, {1.0, 1, 100}, {1.0, 10, 10}, {1.0, 10.6, 4}, {1.0, -50, 100}, {1.0 / 3.0, 5, 20},
        {0.01, 5, 1}, {0.25, std::nan(""), 25}, {0.0, 5, 1}, {-0.5, 5, 1}, {std::nan(""), 5, 1}, {-INFINITY, 5, 1},
    };
    for (const auto& [extent, intensity, cells] : cases)
        EXPECT_EQ(mosaicCellCount(extent, intensity), cells) << extent << " " << intensity;
    const int huge = mosaicCellCount(INFINITY, 5);
    EXPECT_GE(huge, 1);
    EXPECT_EQ(mosaicCellCount(1e300, 5), huge);
}

TEST(MosaicSampling, NoBitmapForEmptyOrInvalidSizes)
{
    const QImage image = quadrants(10);
    EXPECT_FALSE(sampleImageRegion(image, 0, 5, QSizeF(0, 5), QRectF(0, 0, 10, 10)).has_value());
    EXPECT_FALSE(sampleImageRegion(image, 5, -1, QSizeF(5, 5), QRectF(0, 0, 10, 10)).has_value());
    EXPECT_FALSE(sampleImageRegion(image, std::nan(""), 5, QSizeF(5, 5), QRectF(0, 0, 10, 10)).has_value());
    EXPECT_FALSE(sampleImageRegion(image, 5, 0.5, QSizeF(5, 5), QRectF(0, 0, 10, 10)).has_value())
        << "half a pixel truncates to none";
}

TEST(MosaicSampling, OneSourcePixelPerDestinationPixel)
{
    const QImage image = quadrants(100);
    const auto small = sampleImageRegion(image, 2, 2, QSizeF(2, 2), QRectF(0, 0, 100, 100));
    ASSERT_TRUE(small.has_value());
    EXPECT_EQ(small->size(), QSize(2, 2));
    EXPECT_EQ((std::array{small->pixel(0, 0), small->pixel(1, 0), small->pixel(0, 1), small->pixel(1, 1)}),
              (std::array{red, green, blue, white}));

    // A source rectangle of the top-right quadrant only.
    const auto corner = sampleImageRegion(image, 3, 3, QSizeF(3, 3), QRectF(50, 0, 50, 50));
    ASSERT_TRUE(corner.has_value());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(corner->pixel(x, y), green);
}

TEST(MosaicSampling, SourceRectangleIsInPointsOfHighDensityImages)
{
    QImage image = quadrants(200);
    image.setDevicePixelRatio(2.0);  // 100 x 100 points
    const auto corner = sampleImageRegion(image, 2, 2, QSizeF(2, 2), QRectF(0, 50, 50, 50));
    ASSERT_TRUE(corner.has_value());
    EXPECT_EQ(corner->pixel(0, 0), blue);
    EXPECT_EQ(corner->pixel(1, 1), blue);
}

TEST(MosaicSampling, CopiesTranslucentPixelsAndLeavesOutsideTransparent)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgba(200, 100, 50, 128));
    const auto copy = sampleImageRegion(image, 2, 2, QSizeF(2, 2), QRectF(0, 0, 4, 4));
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(qAlpha(copy->pixel(0, 0)), 128) << "copied, not blended over anything";
    EXPECT_NEAR(copy->pixelColor(0, 0).red(), 200, 2);

    // Other pixel formats read the same colours.
    const auto converted =
        sampleImageRegion(image.convertToFormat(QImage::Format_RGBA64), 2, 2, QSizeF(2, 2), QRectF(0, 0, 4, 4));
    ASSERT_TRUE(converted.has_value());
    EXPECT_EQ(qAlpha(converted->pixel(0, 0)), 128);
    EXPECT_NEAR(converted->pixelColor(0, 0).red(), 200, 2);
    EXPECT_NEAR(converted->pixelColor(0, 0).green(), 100, 2);

    // Drawing into half the bitmap leaves the rest clear; so does sampling beyond the image.
    const auto half = sampleImageRegion(image, 4, 4, QSizeF(2, 4), QRectF(0, 0, 4, 4));
    ASSERT_TRUE(half.has_value());
    EXPECT_EQ(qAlpha(half->pixel(1, 1)), 128);
    EXPECT_EQ(half->pixel(3, 1), 0u);
    const auto beyond = sampleImageRegion(image, 2, 1, QSizeF(2, 1), QRectF(2, 0, 4, 4));
    ASSERT_TRUE(beyond.has_value());
    EXPECT_EQ(qAlpha(beyond->pixel(0, 0)), 128);
    EXPECT_EQ(beyond->pixel(1, 0), 0u);
}

