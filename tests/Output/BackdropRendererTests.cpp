#include "Output/BackdropRenderer.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage solidImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

QColor stopColour(BackdropPreset preset, int index)
{
    const BackdropColorStop stop = preset.colorStops().at(index);
    return QColor::fromRgbF(stop.red, stop.green, stop.blue);
}

void expectNear(QColor actual, QColor expected, int tolerance, const char* where)
{
    EXPECT_NEAR(actual.red(), expected.red(), tolerance) << where;
    EXPECT_NEAR(actual.green(), expected.green(), tolerance) << where;
    EXPECT_NEAR(actual.blue(), expected.blue(), tolerance) << where;
    EXPECT_NEAR(actual.alpha(), expected.alpha(), tolerance) << where;
}

} // namespace

TEST(BackdropRenderer, DefaultsPlaceCardAndImageAsTheLayoutSays)
{
    const QImage red = solidImage(1000, 600, Qt::red);
    const BackdropParameters defaults{.preset = BackdropPreset::black}; // a card colour that differs from the image
    const std::optional<QImage> result = renderBackdropImage(red, defaults, true);
    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(result->size(), QSize(1128, 728));

    // Image at (64, 64, 1000, 600), corner radius 12: its middle is the image,
    // its very corner pixel is card (rounded off), 12 px in it is image again.
    EXPECT_EQ(result->pixelColor(564, 364), QColor(Qt::red));
    expectNear(result->pixelColor(64, 64), QColor(Qt::black), 2, "image corner rounded off");
    EXPECT_EQ(result->pixelColor(64 + 12, 64 + 12), QColor(Qt::red));
    EXPECT_EQ(result->pixelColor(64, 364), QColor(Qt::red)); // straight edge is sharp
    EXPECT_EQ(result->pixelColor(63, 364), QColor(Qt::black));

    // Card at (32, 32, 1064, 664), corner radius 44: its straight edges are card,
    // its outer corner pixel is outside it.
    EXPECT_EQ(result->pixelColor(40, 364), QColor(Qt::black));
    EXPECT_EQ(result->pixelColor(564, 33), QColor(Qt::black));
    EXPECT_LT(result->pixelColor(33, 33).alpha(), 40);

    // Transparent destination: far corners stay clear, the shadow falls below.
    EXPECT_EQ(result->pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(result->pixelColor(1127, 0).alpha(), 0);
    const int above = result->pixelColor(564, 28).alpha();
    const int below = result->pixelColor(564, 32 + 664 + 4).alpha();
    EXPECT_GT(below, above);
    EXPECT_GT(below, 30);
    EXPECT_EQ(result->pixelColor(564, 700).red(), 0); // the shadow is black
}

TEST(BackdropRenderer, OpaqueDestinationCarriesTheEndStopsAcrossTheCanvas)
{
    const BackdropParameters p{.preset = BackdropPreset::ocean, .shadowEnabled = false};
    const std::optional<QImage> result = renderBackdropImage(solidImage(200, 100, Qt::white), p, false);
    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(result->size(), QSize(264, 164));
    // No pixel is transparent; the corners outside the card show the end stops.
    for (int y = 0; y < result->height(); ++y)
        for (int x = 0; x < result->width(); ++x)
            ASSERT_EQ(result->pixelColor(x, y).alpha(), 255) << x << "," << y;
    expectNear(result->pixelColor(0, 0), stopColour(BackdropPreset::ocean, 0), 2, "top corner");
    expectNear(result->pixelColor(263, 163), stopColour(BackdropPreset::ocean, 2), 2, "bottom corner");
    expectNear(result->pixelColor(10, 82), stopColour(BackdropPreset::ocean, 1), 3, "middle stop at half height");
}

TEST(BackdropRenderer, NoShadowAddsExactlyTwiceTheRoundedPadding)
{
    BackdropParameters p{.padding = 10.2, .shadowEnabled = false};
    const std::optional<QImage> result = renderBackdropImage(solidImage(800, 600, Qt::blue), p, true);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->size(), QSize(822, 622));
    EXPECT_EQ(result->pixelColor(411, 311), QColor(Qt::blue));

    p.shadowEnabled = true;
    p.shadowIntensity = 0.0; // invisible shadow takes no room
    EXPECT_EQ(renderBackdropImage(solidImage(800, 600, Qt::blue), p, true)->size(), QSize(822, 622));
}

TEST(BackdropRenderer, SmallImageCornersAreClampedToHalfItsSide)
{
    const BackdropParameters p{.padding = 0, .cornerRadius = 40, .shadowEnabled = false};
    const QImage green = solidImage(50, 50, Qt::green);
    const std::optional<QImage> result = renderBackdropImage(green, p, true);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->size(), QSize(50, 50));
    EXPECT_NE(result->constBits(), green.constBits());
    // Radius 25: a circle. Corners clear, the edge midpoints and centre kept.
    EXPECT_EQ(result->pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(result->pixelColor(49, 49).alpha(), 0);
    EXPECT_EQ(result->pixelColor(4, 4).alpha(), 0); // 29 px from the centre
    EXPECT_EQ(result->pixelColor(25, 25), QColor(Qt::green));
    EXPECT_EQ(result->pixelColor(25, 1), QColor(Qt::green));
    // 22.6 px from the centre: inside the circle.
    EXPECT_EQ(result->pixelColor(9, 9), QColor(Qt::green));
}

TEST(BackdropRenderer, NothingToDrawReturnsTheInputItselfAndNoInputNothing)
{
    const BackdropParameters p{.padding = 0, .cornerRadius = 0, .shadowEnabled = false};
    const QImage image = solidImage(30, 20, Qt::red);
    const std::optional<QImage> result = renderBackdropImage(image, p, false);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->constBits(), image.constBits());
    EXPECT_FALSE(renderBackdropImage(QImage(), BackdropParameters(), true).has_value());
}

TEST(BackdropRenderer, GradientFillsTheWholeClipFromTopToBottomStop)
{
    QImage canvas(10, 300, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    drawBackdropGradient(painter, BackdropPreset::sunset, QRectF(0, 100, 10, 100));
    painter.end();
    expectNear(canvas.pixelColor(5, 0), stopColour(BackdropPreset::sunset, 0), 2, "above the rectangle");
    expectNear(canvas.pixelColor(5, 150), stopColour(BackdropPreset::sunset, 1), 3, "its middle");
    expectNear(canvas.pixelColor(5, 299), stopColour(BackdropPreset::sunset, 2), 2, "below the rectangle");
}
