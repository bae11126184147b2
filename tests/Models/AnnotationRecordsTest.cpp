#include "Models/Annotations.h"
#include "Models/OCRPanelState.h"
#include "Models/Palette.h"
#include "Models/ToolType.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(AnnotationRecords, EqualityIsByIdentityOnly)
{
    const ArrowAnnotation a{.startPoint = {0.1, 0.1}, .endPoint = {0.2, 0.2}, .lineWidth = 3};
    ArrowAnnotation sameId = a;
    sameId.endPoint = {0.9, 0.9};
    EXPECT_EQ(a, sameId);
    EXPECT_NE(ArrowAnnotation().id, ArrowAnnotation().id) << "every new record gets its own id";
    EXPECT_FALSE(a == (ArrowAnnotation{.startPoint = {0.1, 0.1}, .endPoint = {0.2, 0.2}, .lineWidth = 3}))
        << "equal fields, another record";
    const TextAnnotation t1{.text = QStringLiteral("a")};
    TextAnnotation t2 = t1;
    t2.text = QStringLiteral("b");
    EXPECT_EQ(t1, t2);
}

TEST(AnnotationStyles, RawValuesRoundTripAndRejectUnknownStrings)
{
    // Every case converts to its raw string and back.
    const auto roundTrips = [](auto... kinds) {
        const auto one = [](auto kind) {
            using Kind = decltype(kind);
            for (Kind c : allCases<Kind>())
                EXPECT_EQ(fromRawValue<Kind>(rawValue(c)), c);
        };
        (one(kinds), ...);
    };
    roundTrips(ArrowHeadStyle{}, ShapeType{}, AnnotationEffect{}, LineCapStyle{}, LineStyle{}, NumberShape{});

    // The stored forms that other settings files hold.
    EXPECT_EQ(fromRawValue<ShapeType>(QStringLiteral("直角矩形")), ShapeType::rectangle);
    EXPECT_EQ(fromRawValue<ShapeType>(QStringLiteral("圆角矩形")), ShapeType::roundedRectangle);
    EXPECT_EQ(fromRawValue<ShapeType>(QStringLiteral("圆形")), ShapeType::circle);

    // Case names are not raw values for ShapeType; matching is exact.
    EXPECT_FALSE(fromRawValue<ShapeType>(QStringLiteral("rectangle")).has_value());
    EXPECT_FALSE(fromRawValue<LineCapStyle>(QStringLiteral("Round")).has_value());
    EXPECT_FALSE(fromRawValue<LineStyle>(QStringLiteral(" solid")).has_value());
    EXPECT_FALSE(fromRawValue<NumberShape>(QStringLiteral("square")).has_value());
    EXPECT_FALSE(fromRawValue<AnnotationEffect>(QString()).has_value());
}

TEST(Palette, ColoursAreExactEightBitFractions)
{
    // Each channel is n / 255 exactly, so painting and reading back loses nothing.
    for (const RgbaColor& c : presetColors) {
        for (double channel : {c.red, c.green, c.blue})
            EXPECT_EQ(std::round(channel * 255.0) / 255.0, channel);
        EXPECT_EQ(c.alpha, 1.0);
    }
    EXPECT_EQ(paletteOrange.toQColor(), QColor(255, 136, 0));
    EXPECT_EQ(paletteBlack.toQColor(), QColor(34, 34, 34));
}

TEST(OCRPanelStateTest, CasesCarryTextOnlyWhenRecognised)
{
    const auto text = OCRPanelState::text(QStringLiteral("Hello"));
    EXPECT_TRUE(text.isText());
    EXPECT_EQ(text.recognizedText(), QStringLiteral("Hello"));
    EXPECT_NE(text, OCRPanelState::text(QStringLiteral("Other")));
    EXPECT_EQ(text, OCRPanelState::text(QStringLiteral("Hello")));
    EXPECT_TRUE(OCRPanelState::recognizing().isRecognizing());
    EXPECT_NE(OCRPanelState::empty(), OCRPanelState::recognizing());
    EXPECT_TRUE(OCRPanelState::empty().recognizedText().isEmpty());
}
