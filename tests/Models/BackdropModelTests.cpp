#include "Models/BackdropParameters.h"
#include "Models/BackdropPreset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(BackdropPreset, RawValuesRoundTripExactly)
{
    for (const BackdropPreset& preset : BackdropPreset::allCases())
        EXPECT_EQ(BackdropPreset::fromRawValue(preset.rawValue())->value(), preset.value());
    for (const QString& text : {QStringLiteral("White"), QStringLiteral(" white"), QStringLiteral("white "),
                                QStringLiteral("lightgray"), QStringLiteral(""), QStringLiteral("OCEAN"),
                                QStringLiteral("gray")})
        EXPECT_FALSE(BackdropPreset::fromRawValue(text).has_value()) << text.toStdString();
}

TEST(BackdropPreset, SolidTestSplitsSevenAndSeven)
{
    QStringList solid;
    QStringList gradients;
    for (const BackdropPreset& preset : BackdropPreset::allCases())
        (preset.isSolid() ? solid : gradients).append(preset.rawValue());
    EXPECT_EQ(solid, QStringList({"white", "lightGray", "ivory", "steel", "warmGray", "darkGray", "black"}));
    EXPECT_EQ(gradients, QStringList({"blue", "pink", "violet", "mint", "sunset", "ocean", "candy"}));
}

TEST(BackdropPreset, StopsAndGradientAgree)
{
    const BackdropPreset sunset = BackdropPreset::sunset;
    const QList<BackdropColorStop>& stops = sunset.colorStops();
    ASSERT_EQ(stops.size(), 3);
    EXPECT_EQ(stops[1], (BackdropColorStop{0.5, 1.0, 0.604, 0.635}));
    const QGradientStops gradient = sunset.gradient();
    ASSERT_EQ(gradient.size(), 3);
    EXPECT_DOUBLE_EQ(gradient[1].first, 0.5);
    EXPECT_EQ(gradient[1].second, QColor::fromRgbF(1.0, 0.604, 0.635));
    // Every preset starts at the top and ends at the bottom of the card.
    for (const BackdropPreset& preset : BackdropPreset::allCases()) {
        EXPECT_EQ(preset.colorStops().first().location, 0.0);
        EXPECT_EQ(preset.colorStops().last().location, 1.0);
    }
}

TEST(BackdropLayout, DefaultsOnA1000By600Image)
{
    const BackdropParameters defaults; // white, 32, 12, shadow on at 0.5
    const BackdropLayout layout = defaults.layout(1000, 600);
    EXPECT_EQ(std::tuple(layout.shadowBlur, layout.shadowOffsetY, layout.shadowOpacity),
              std::tuple(std::optional(25.0), 5.0, 0.3));
    EXPECT_TRUE(layout.isShadowVisible());
    EXPECT_EQ(layout.shadowMargin(), 32);
    EXPECT_DOUBLE_EQ(layout.cornerRadius, 12.0);
    EXPECT_DOUBLE_EQ(layout.outerCornerRadius, 44.0);
    EXPECT_EQ(layout.canvasPixelSize(1000, 600), QSize(1128, 728));
    EXPECT_DOUBLE_EQ(layout.fitMargin(), 64.0);
}

TEST(BackdropLayout, ShadowIntensityIsClampedAndZeroHidesIt)
{
    const BackdropLayout full = BackdropParameters{.shadowIntensity = 1.3}.layout(400, 300);
    EXPECT_EQ(std::tuple(full.shadowBlur, full.shadowOffsetY, full.shadowOpacity),
              std::tuple(std::optional(40.0), 8.0, 0.6));
    EXPECT_EQ(full.shadowMargin(), 50);

    const BackdropLayout zero = BackdropParameters{.shadowIntensity = 0.0}.layout(400, 300);
    EXPECT_TRUE(zero.shadowBlur.has_value());
    EXPECT_FALSE(zero.isShadowVisible());
    EXPECT_EQ(zero.shadowMargin(), 0);
    EXPECT_EQ(zero.canvasPixelSize(400, 300), QSize(464, 364));

    EXPECT_DOUBLE_EQ(BackdropParameters{.shadowIntensity = -2.0}.layout(10, 10).shadowOpacity, 0.0);
    const BackdropLayout nanLayout =
        BackdropParameters{.shadowIntensity = std::numeric_limits<double>::quiet_NaN()}.layout(10, 10);
    EXPECT_FALSE(nanLayout.isShadowVisible());
    EXPECT_EQ(nanLayout.shadowMargin(), 0);
}

TEST(BackdropLayout, ShadowOffStillHasPaddingAndCorners)
{
    const BackdropParameters p{.padding = 10.2, .shadowEnabled = false};
    const BackdropLayout layout = p.layout(800, 600);
    EXPECT_EQ(std::tuple(layout.shadowBlur, layout.shadowOffsetY, layout.shadowOpacity, layout.shadowMargin()),
              std::tuple(std::optional<double>(), 0.0, 0.0, 0));
    EXPECT_EQ(layout.wholePadding(), 11);
    EXPECT_DOUBLE_EQ(layout.padding, 10.2);
    EXPECT_DOUBLE_EQ(layout.outerCornerRadius, 22.2);
    EXPECT_EQ(layout.canvasPixelSize(800, 600), QSize(822, 622));
}

TEST(BackdropLayout, CornerRadiusNeverExceedsHalfTheShorterSide)
{
    BackdropParameters p{.padding = 0, .cornerRadius = 40, .shadowEnabled = false};
    EXPECT_DOUBLE_EQ(p.layout(50, 50).cornerRadius, 25.0);
    EXPECT_DOUBLE_EQ(p.layout(300, 20).cornerRadius, 10.0);
    EXPECT_DOUBLE_EQ(p.layout(300, 200).cornerRadius, 40.0);
    // With no image size there is nothing to clamp against.
    EXPECT_DOUBLE_EQ(p.layout(0, 0).cornerRadius, 40.0);

    p.cornerRadius = -5;
    EXPECT_DOUBLE_EQ(p.layout(100, 100).cornerRadius, 0.0);
    p.cornerRadius = std::numeric_limits<double>::infinity();
    EXPECT_DOUBLE_EQ(p.layout(100, 60).cornerRadius, 30.0);
}

TEST(BackdropLayout, UnusablePaddingAddsNoRoom)
{
    BackdropParameters p{.shadowEnabled = false};
    for (double padding : {-12.0, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        p.padding = padding;
        const BackdropLayout layout = p.layout(100, 80);
        EXPECT_EQ(layout.wholePadding(), 0);
        EXPECT_EQ(layout.canvasPixelSize(100, 80), QSize(100, 80));
        EXPECT_DOUBLE_EQ(layout.outerCornerRadius, layout.cornerRadius);
    }
    // An absurd stored padding must not overflow the canvas arithmetic; the
    // renderer then simply fails to allocate such a canvas.
    p.padding = 1.0e300;
    const QSize huge = p.layout(100, 80).canvasPixelSize(100, 80);
    EXPECT_GT(huge.width(), 1000000);
    EXPECT_GT(huge.height(), 1000000);
}
