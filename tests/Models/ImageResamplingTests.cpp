#include "Models/ImageResampling.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <limits>

namespace {

// Left half red, right half blue, so scaling in either direction is visible.
QImage twoColourImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    return image;
}

} // namespace

TEST(ImageResampling, PixelSideRoundsHalfAwayFromZeroAndKeepsOne)
{
    EXPECT_EQ(ImageResampling::pixelSide(10.5), 11);
    EXPECT_EQ(ImageResampling::pixelSide(10.49), 10);
    EXPECT_EQ(ImageResampling::pixelSide(0.4), 1);
    EXPECT_EQ(ImageResampling::pixelSide(-30.0), 1);
    EXPECT_EQ(ImageResampling::pixelSide(20000.4), 20000);
    for (double bad : {20000.6, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(ImageResampling::pixelSide(bad).has_value()) << bad;
}

TEST(ImageResampling, RedrawsAtTheRoundedSizeAndStretchesTheWholeSource)
{
    const Image source(twoColourImage(100, 50));
    const Image result = resampledImage(40.5, 99.5, source);
    ASSERT_EQ(result.pixelSize(), QSize(41, 100));
    EXPECT_FALSE(result.sharesPixelsWith(source));
    EXPECT_DOUBLE_EQ(result.devicePixelRatio(), 1.0);
    EXPECT_EQ(result.bitmap().format(), QImage::Format_ARGB32_Premultiplied);
    // The whole source fills the target: red on the left edge, blue on the right.
    EXPECT_EQ(result.bitmap().pixelColor(1, 50), QColor(Qt::red));
    EXPECT_EQ(result.bitmap().pixelColor(39, 50), QColor(Qt::blue));
    EXPECT_EQ(result.bitmap().pixelColor(1, 99), QColor(Qt::red));
}

TEST(ImageResampling, ShrinkingAveragesInsteadOfSkippingDetail)
{
    // One-pixel black and white columns shrunk 4x must come out mid-grey;
    // sampling would give all black or all white.
    QImage stripes(400, 40, QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    const Image result = resampledImage(100, 10, Image(stripes));
    ASSERT_EQ(result.pixelSize(), QSize(100, 10));
    const QColor middle = result.bitmap().pixelColor(50, 5);
    EXPECT_NEAR(middle.red(), 128, 20);
}

TEST(ImageResampling, HighDensitySourceFillsTheTarget)
{
    // A 2x capture: its device pixel ratio must not make it land in a quarter.
    const Image source(twoColourImage(200, 100), 2.0);
    const Image result = resampledImage(300, 150, source);
    ASSERT_EQ(result.pixelSize(), QSize(300, 150));
    EXPECT_EQ(result.bitmap().pixelColor(290, 140), QColor(Qt::blue));
    EXPECT_DOUBLE_EQ(result.size().width(), 300.0);
}

TEST(ImageResampling, LimitsAndBadInputReturnTheSource)
{
    const Image source(twoColourImage(10, 10));
    EXPECT_TRUE(resampledImage(20000.6, 10, source).sharesPixelsWith(source));
    EXPECT_TRUE(resampledImage(std::numeric_limits<double>::quiet_NaN(), 10, source).sharesPixelsWith(source));
    EXPECT_TRUE(resampledImage(10, 10, Image()).isNull());
    // Tiny and negative targets still give a 1-pixel side, not a failure; 20000 is still allowed.
    EXPECT_EQ(resampledImage(0.2, -4, source).pixelSize(), QSize(1, 1));
    EXPECT_EQ(resampledImage(20000.4, 1, source).pixelSize(), QSize(20000, 1));
}

TEST(ImageResampling, KeepsTransparency)
{
    QImage clear(20, 20, QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    const Image result = resampledImage(7, 7, Image(clear));
    EXPECT_EQ(result.bitmap().pixelColor(3, 3).alpha(), 0);
}
