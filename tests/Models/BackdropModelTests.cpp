#include "Models/BackdropParameters.h"
#include "Models/BackdropPreset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(BackdropPreset, RawValuesRoundTripInDeclarationOrder)
{
    const QStringList expected = {"white", "lightGray", "ivory", "steel", "warmGray", "darkGray", "black",
                                  "blue",  "pink",      "violet", "mint", "sunset",   "ocean",    "candy"};
    const QList<BackdropPreset>& cases = BackdropPreset::allCases();
    ASSERT_EQ(cases.size(), expected.size());
    for (int i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(cases[i].rawValue(), expected[i]);
        const std::optional<BackdropPreset> back = BackdropPreset::fromRawValue(expected[i]);
        ASSERT_TRUE(back.has_value()) << expected[i].toStdString();
        EXPECT_EQ(back->value(), cases[i].value());
    }
    EXPECT_EQ(BackdropPreset().value(), BackdropPreset::white);
}

TEST(BackdropPreset, InitFromRawValueIsExact)
{
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
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(gradient[i].first, stops[i].location);
        EXPECT_NEAR(gradient[i].second.redF(), stops[i].red, 1e-4);
        EXPECT_NEAR(gradient[i].second.greenF(), stops[i].green, 1e-4);
        EXPECT_NEAR(gradient[i].second.blueF(), stops[i].blue, 1e-4);
        EXPECT_EQ(gradient[i].second.alpha(), 255);
    }
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
    ASSERT_TRUE(layout.shadowBlur.has_value());
    EXPECT_DOUBLE_EQ(*layout.shadowBlur, 25.0);
    EXPECT_DOUBLE_EQ(layout.shadowOffsetY, 5.0);
    EXPECT_DOUBLE_EQ(layout.shadowOpacity, 0.3);
    EXPECT_TRUE(layout.isShadowVisible());
    EXPECT_EQ(layout.shadowMargin(), 32);
    EXPECT_DOUBLE_EQ(layout.cornerRadius, 12.0);
    EXPECT_DOUBLE_EQ(layout.outerCornerRadius, 44.0);
    EXPECT_EQ(layout.canvasPixelSize(1000, 600), QSize(1128, 728));
    EXPECT_DOUBLE_EQ(layout.fitMargin(), 64.0);
}

TEST(BackdropLayout, ShadowIntensityIsClampedAndZeroHidesIt)
{
    BackdropParameters strong;
    strong.shadowIntensity = 1.3;
    const BackdropLayout full = strong.layout(400, 300);
    EXPECT_DOUBLE_EQ(*full.shadowBlur, 40.0);
    EXPECT_DOUBLE_EQ(full.shadowOffsetY, 8.0);
    EXPECT_DOUBLE_EQ(full.shadowOpacity, 0.6);
    EXPECT_EQ(full.shadowMargin(), 50);

    BackdropParameters none;
    none.shadowIntensity = 0.0;
    const BackdropLayout zero = none.layout(400, 300);
    EXPECT_TRUE(zero.shadowBlur.has_value());
    EXPECT_FALSE(zero.isShadowVisible());
    EXPECT_EQ(zero.shadowMargin(), 0);
    EXPECT_EQ(zero.canvasPixelSize(400, 300), QSize(464, 364));

    BackdropParameters negative;
    negative.shadowIntensity = -2.0;
    EXPECT_DOUBLE_EQ(negative.layout(10, 10).shadowOpacity, 0.0);

    BackdropParameters notANumber;
    notANumber.shadowIntensity = std::numeric_limits<double>::quiet_NaN();
    const BackdropLayout nanLayout = notANumber.layout(10, 10);
    EXPECT_FALSE(nanLayout.isShadowVisible());
    EXPECT_EQ(nanLayout.shadowMargin(), 0);
}

TEST(BackdropLayout, ShadowOffStillHasPaddingAndCorners)
{
    BackdropParameters p;
    p.shadowEnabled = false;
    p.padding = 10.2;
    const BackdropLayout layout = p.layout(800, 600);
    EXPECT_FALSE(layout.shadowBlur.has_value());
    EXPECT_EQ(layout.shadowOffsetY, 0.0);
    EXPECT_EQ(layout.shadowOpacity, 0.0);
    EXPECT_EQ(layout.shadowMargin(), 0);
    EXPECT_EQ(layout.wholePadding(), 11);
    EXPECT_DOUBLE_EQ(layout.padding, 10.2);
    EXPECT_DOUBLE_EQ(layout.outerCornerRadius, 22.2);
    EXPECT_EQ(layout.canvasPixelSize(800, 600), QSize(822, 622));
}

TEST(BackdropLayout, CornerRadiusNeverExceedsHalfTheShorterSide)
{
    BackdropParameters p;
    p.padding = 0;
    p.cornerRadius = 40;
    p.shadowEnabled = false;
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
    BackdropParameters p;
    p.shadowEnabled = false;
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

TEST(BackdropParameters, EqualityComparesEveryField)
{
    const BackdropParameters base;
    BackdropParameters other = base;
    EXPECT_TRUE(base == other);
    other.preset = BackdropPreset::ocean;
    EXPECT_FALSE(base == other);
    other = base;
    other.shadowEnabled = false;
    EXPECT_FALSE(base == other);
    other = base;
    other.cornerRadius = 13;
    EXPECT_FALSE(base == other);
}
