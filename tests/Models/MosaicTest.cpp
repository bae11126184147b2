#include "Models/Mosaic.h"

#include <QColor>
#include <QSet>
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

// A horizontal ramp: each column a different grey, so cells show where they sampled.
QImage ramp(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), 0));
    return image;
}

// Lengths of the runs of equal pixels along a row.
QList<int> runs(const QImage& image, int y)
{
    QList<int> lengths;
    QRgb current = image.pixel(0, y);
    int length = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) == current) {
            ++length;
        } else {
            lengths.append(length);
            current = image.pixel(x, y);
            length = 1;
        }
    }
    lengths.append(length);
    return lengths;
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
    EXPECT_FALSE(resampleImage(image, INFINITY, 5, QSizeF(5, 5)).has_value());
    EXPECT_FALSE(resampleImage(image, 5, 0.5, QSizeF(5, 5)).has_value()) << "half a pixel truncates to none";
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

    // Enlarged without interpolation: hard edges, only the four colours.
    const auto big = resampleImage(*small, 10, 10, QSizeF(10, 10));
    ASSERT_TRUE(big.has_value());
    QSet<QRgb> colours;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            colours.insert(big->pixel(x, y));
    EXPECT_EQ(colours, (QSet<QRgb>{red, green, blue, white}));
    EXPECT_EQ((std::array{big->pixel(4, 4), big->pixel(5, 4), big->pixel(4, 5), big->pixel(5, 5)}),
              (std::array{red, green, blue, white}));
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

TEST(MosaicPixelation, RegionShowsItsCellCountWithFlatCells)
{
    const QImage image = ramp(600, 400);
    // A region half the image wide at intensity 5: 30 cells across, 30 down.
    const auto mosaic = pixelatedRegion(image, QRectF(0.25, 0.25, 0.5, 0.5), 5, QSizeF(300, 300));
    ASSERT_TRUE(mosaic.has_value());
    EXPECT_EQ(mosaic->size(), QSize(300, 300));
    const QList<int> across = runs(*mosaic, 150);
    EXPECT_EQ(across.size(), 30);
    for (int length : across)
        EXPECT_EQ(length, 10);
    EXPECT_EQ(runs(mosaic->transformed(QTransform().rotate(90)), 150).size(), 30);

    // Cells sample inside the region: the reds stay within its columns (150..450).
    const int firstRed = qRed(mosaic->pixel(0, 0));
    const int lastRed = qRed(mosaic->pixel(299, 299));
    EXPECT_GE(firstRed, 150 * 255 / 599);
    EXPECT_LE(lastRed, 450 * 255 / 599 + 1);
    EXPECT_LT(firstRed, lastRed);

    // Flat: every pixel of a cell equals the cell's first pixel.
    for (int y = 0; y < 10; ++y)
        for (int x = 40; x < 50; ++x)
            EXPECT_EQ(mosaic->pixel(x, y), mosaic->pixel(40, 0));
}

TEST(MosaicPixelation, LargeOutputsAreFilledInBandsWithoutSeams)
{
    // 1200 x 1000 is filled in parallel bands; cells must run straight across them.
    const QImage image = ramp(600, 400);
    const auto mosaic = pixelatedRegion(image, QRectF(0, 0, 1, 1), 10, QSizeF(1200, 1000));
    ASSERT_TRUE(mosaic.has_value());
    const QList<int> across = runs(*mosaic, 777);
    EXPECT_EQ(across, QList<int>(10, 120));
    const QImage turned = mosaic->transformed(QTransform().rotate(90));
    EXPECT_EQ(runs(turned, 5), QList<int>(10, 100));
    EXPECT_EQ(runs(turned, 1111), QList<int>(10, 100));
}

TEST(MosaicPixelation, LargeBitmapsClearWhatIsNotDrawn)
{
    QImage red(8, 8, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    const auto half = resampleImage(red, 1100, 1000, QSizeF(550, 1000));
    ASSERT_TRUE(half.has_value());
    EXPECT_EQ(half->pixel(100, 500), qRgb(255, 0, 0));
    EXPECT_EQ(half->pixel(549, 999), qRgb(255, 0, 0));
    EXPECT_EQ(half->pixel(550, 0), 0u);
    EXPECT_EQ(half->pixel(1099, 999), 0u);
}

TEST(MosaicPixelation, NothingForEmptyOutputOrImage)
{
    const QImage image = ramp(60, 40);
    EXPECT_FALSE(pixelatedRegion(image, QRectF(0, 0, 1, 1), 5, QSizeF(0, 10)).has_value());
    EXPECT_FALSE(pixelatedRegion(image, QRectF(0, 0, 1, 1), 5, QSizeF(10, std::nan(""))).has_value());
    EXPECT_FALSE(pixelatedRegion(QImage(), QRectF(0, 0, 1, 1), 5, QSizeF(10, 10)).has_value());
    // A region drawn right to left is the same region.
    const auto forwards = pixelatedRegion(image, QRectF(0.2, 0.2, 0.5, 0.5), 3, QSizeF(50, 50));
    const auto backwards = pixelatedRegion(image, QRectF(0.7, 0.7, -0.5, -0.5), 3, QSizeF(50, 50));
    ASSERT_TRUE(forwards && backwards);
    EXPECT_EQ(*forwards, *backwards);
}
