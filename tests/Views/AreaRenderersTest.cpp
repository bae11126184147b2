#include "PixelProbe.h"
#include "Models/Palette.h"
#include "Models/TextLayout.h"
#include "Models/TextMeasurement.h"
#include "Views/AreaRenderers.h"
#include "Views/RendererCommon.h"

#include <gtest/gtest.h>

using PixelProbe::at;
using PixelProbe::near;
using PixelProbe::paintOnWhite;

namespace {

const QSizeF kSize(200, 200);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

RectangleAnnotation shape(ShapeType type, std::optional<RgbaColor> fill = std::nullopt)
{
    return RectangleAnnotation{.rect = QRectF(0.25, 0.25, 0.5, 0.5), .shapeType = type, .strokeColor = paletteRed,
                               .fillColor = fill, .lineWidth = 6, .cornerRadius = 20};
}

QColor dimmed(QColor below, double dim)
{
    auto channel = [dim](int v) { return qRound(v * (1.0 - dim)); };
    return QColor(channel(below.red()), channel(below.green()), channel(below.blue()));
}

// Centre of the pixels of one colour inside a region.
QPointF inkCentre(const QImage& image, const QColor& color, QRect region, int tolerance = 60)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (near(at(image, x, y), color, tolerance)) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
    return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

// Bounding box of the pixels of one colour inside a region.
QRect boundsOf(const QImage& image, const QColor& color, QRect region, int tolerance = 60)
{
    QRect box;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (near(at(image, x, y), color, tolerance))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(AreaRenderers, rectangleStrokeIsCentredOnTheOutlineWithTheFillUnderIt)
{
    const QImage open = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintRectangle(p, shape(ShapeType::rectangle), kSize, {});
    });
    // The edge at x = 50 with a 6-point stroke covers 47...53.
    EXPECT_EQ(PixelProbe::countAlongRow(open, 100, 40, 60, kRed, 10), 6);
    EXPECT_TRUE(near(at(open, 100, 100), Qt::white)) << "no fill: the image shows through";
    // Mitred corners: the corner pixel of the outer edge is covered.
    EXPECT_TRUE(near(at(open, 47, 47), kRed, 10));

    const QImage filled = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintRectangle(p, shape(ShapeType::rectangle, paletteBlue), kSize, {});
    });
    EXPECT_TRUE(near(at(filled, 100, 100), kBlue));
    EXPECT_TRUE(near(at(filled, 52, 100), kRed)) << "the stroke lies over the fill's edge";
    EXPECT_TRUE(near(at(filled, 55, 100), kBlue));
}

TEST(AreaRenderers, roundedAndCircleShapesLeaveTheCornersClear)
{
    const QImage rounded = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintRectangle(p, shape(ShapeType::roundedRectangle, paletteBlue), kSize, {});
    });
    const QImage circle = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintRectangle(p, shape(ShapeType::circle, paletteBlue), kSize, {});
    });
    EXPECT_TRUE(near(at(rounded, 48, 48), Qt::white));
    EXPECT_TRUE(near(at(rounded, 50, 100), kRed, 10)) << "straight edges keep their stroke";
    EXPECT_TRUE(near(at(circle, 60, 60), Qt::white));
    EXPECT_TRUE(near(at(circle, 50, 100), kRed, 10));
    EXPECT_TRUE(near(at(circle, 100, 100), kBlue));

    // A corner radius beyond half the shape is drawn, not refused.
    RectangleAnnotation small = shape(ShapeType::roundedRectangle, paletteBlue);
    small.rect = QRectF(0.4, 0.4, 0.05, 0.05);
    small.cornerRadius = 500;
    const QImage tiny = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintRectangle(p, small, kSize, {}); });
    EXPECT_FALSE(PixelProbe::inkBounds(tiny, Qt::white).isNull());
}

TEST(AreaRenderers, spotlightDimsOutsideItsShapeAndNotInside)
{
    const QColor below(200, 180, 160);
    auto paintSpot = [&](std::vector<RectangleAnnotation> spots) {
        return paintOnWhite(kSize, [&](QPainter& p) {
            p.fillRect(0, 0, 200, 200, below);
            for (const RectangleAnnotation& spot : spots)
                AnnotationRenderers::paintRectangle(p, spot, kSize, {});
        });
    };
    RectangleAnnotation spot = shape(ShapeType::rectangle);
    spot.effect = AnnotationEffect::spotlight;
    spot.spotlightDim = 0.5;

    const QImage one = paintSpot({spot});
    EXPECT_TRUE(near(at(one, 10, 10), dimmed(below, 0.5), 2));
    EXPECT_TRUE(near(at(one, 190, 120), dimmed(below, 0.5), 2));
    EXPECT_TRUE(near(at(one, 100, 100), below, 1)) << "inside stays clear";
    EXPECT_TRUE(near(at(one, 51, 51), below, 1)) << "no stroke on a spotlight";

    // An ellipse dims the corners of its bounding rectangle.
    RectangleAnnotation ellipse = spot;
    ellipse.shapeType = ShapeType::circle;
    const QImage round = paintSpot({ellipse});
    EXPECT_TRUE(near(at(round, 55, 55), dimmed(below, 0.5), 2));
    EXPECT_TRUE(near(at(round, 100, 100), below, 1));

    // Two overlapping spotlights: the outside is dimmed twice, each inside once by the other.
    RectangleAnnotation other = spot;
    other.rect = QRectF(0.5, 0.5, 0.45, 0.45);
    const QImage two = paintSpot({spot, other});
    EXPECT_TRUE(near(at(two, 10, 10), dimmed(below, 0.75), 2));
    EXPECT_TRUE(near(at(two, 70, 70), dimmed(below, 0.5), 2)) << "inside the first only";
    EXPECT_TRUE(near(at(two, 180, 180), dimmed(below, 0.5), 2)) << "inside the second only";
    EXPECT_TRUE(near(at(two, 120, 120), below, 1)) << "inside both";

    spot.spotlightDim = 0;
    EXPECT_TRUE(PixelProbe::inkBounds(paintSpot({spot}), below, 0).isNull());
}

TEST(AreaRenderers, selectedAreasAreDrawnAtTheSelectionOpacity)
{
    RectangleAnnotation selected = shape(ShapeType::rectangle, paletteBlue);
    selected.isSelected = true;
    const QImage image = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintRectangle(p, selected, kSize, {}); });
    const int other = qRound(255 * (1.0 - RendererStyle::selectedOpacity));
    EXPECT_TRUE(near(at(image, 100, 100), QColor(other, other, 255), 2));

    NumberAnnotation number{.position = {0.5, 0.5}, .value = 1, .color = paletteBlue, .diameter = 60,
                            .isSelected = true};
    const QImage marker = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintNumber(p, number, kSize); });
    EXPECT_TRUE(near(at(marker, 80, 100), QColor(other, other, 255), 2));
}

TEST(AreaRenderers, numberDigitsAreCentredOnTheMarkerOrItsHead)
{
    const double d = 40;
    auto marker = [&](NumberShape shapeKind, int value) {
        return NumberAnnotation{.position = {0.5, 0.5}, .value = value, .color = paletteBlue, .diameter = d,
                                .shape = shapeKind};
    };
    const QRect around(70, 60, 60, 80);
    const QImage circle = paintOnWhite(kSize, [&](QPainter& p) {
        AnnotationRenderers::paintNumber(p, marker(NumberShape::circle, 8), kSize);
    });
    const QImage drop = paintOnWhite(kSize, [&](QPainter& p) {
        AnnotationRenderers::paintNumber(p, marker(NumberShape::teardrop, 8), kSize);
    });

    // The marker is filled in its colour; the digit is white inside it.
    EXPECT_TRUE(near(at(circle, 100 - 15, 100), kBlue));
    const QRect circleInk = PixelProbe::inkBounds(circle.copy(around), kBlue, 60);
    EXPECT_FALSE(circleInk.isNull());

    // Regions well inside the round part, so only the digit is white there.
    const QRect insideCircle(86, 86, 29, 29);
    const QRect insideHead(86, 80, 29, 29);
    const QPointF circleDigit = inkCentre(circle, Qt::white, insideCircle);
    EXPECT_NEAR(circleDigit.x(), 100, 1.5);
    EXPECT_NEAR(circleDigit.y(), 100, 1.5);
    // The digit is set at half the marker's diameter.
    const QRect digitBox = boundsOf(circle, Qt::white, QRect(88, 88, 25, 25));
    EXPECT_GT(digitBox.height(), d / 4);
    EXPECT_LT(digitBox.height(), d / 2);

    // On a teardrop the digit sits on the round head, 0.15 d above the position.
    const QPointF dropDigit = inkCentre(drop, Qt::white, insideHead);
    EXPECT_NEAR(dropDigit.x(), 100, 1.5);
    EXPECT_NEAR(circleDigit.y() - dropDigit.y(), 0.15 * d, 0.75);
    // The tail points down below the circle's reach.
    EXPECT_TRUE(near(at(drop, 100, 100 + 22), kBlue));
    EXPECT_TRUE(near(at(circle, 100, 100 + 22), Qt::white));

    // Numbers of several digits stay centred.
    const QImage wide = paintOnWhite(kSize, [&](QPainter& p) {
        AnnotationRenderers::paintNumber(p, marker(NumberShape::circle, 88), kSize);
    });
    EXPECT_NEAR(inkCentre(wide, Qt::white, insideCircle).x(), 100, 1.5);
}

TEST(AreaRenderers, textDrawsWhereTheSharedLayoutMeasured)
{
    const TextAnnotation text{.text = QStringLiteral("Hello wide world of text"), .position = {0.5, 0.5},
                              .fontSize = 20, .fontName = QStringLiteral("DejaVu Sans"), .color = paletteRed,
                              .width = 0.4};
    const double reference = 400;  // displayed at half the original width
    const QImage drawn = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintText(p, text, kSize, reference); });

    // The reference: the shared layout at the scaled size and box width, drawn at the
    // box's padded corner.
    const QRectF box = textBoxRect(text, kSize.width(), kSize.height(), reference);
    const TextLayout layout = layoutText(text, text.fontSize * kSize.width() / reference, text.width * kSize.width());
    const QImage expected = paintOnWhite(kSize, [&](QPainter& p) {
        layout.draw(p, box.topLeft() + QPointF(1, 2), kRed);
    });
    EXPECT_EQ(drawn, expected);

    // It wraps inside the box rather than running past its right edge.
    const QRect ink = PixelProbe::inkBounds(drawn, Qt::white);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.left(), std::floor(box.left()));
    EXPECT_LE(ink.right(), std::ceil(box.right()));
    EXPECT_GE(ink.top(), std::floor(box.top()));
    EXPECT_LE(ink.bottom(), std::ceil(box.bottom()));
    EXPECT_GT(layout.lineCount(), 1);
    EXPECT_GT(ink.height(), layout.lineHeight());
}

TEST(AreaRenderers, selectedTextShowsADashedFrameRoundTheBox)
{
    TextAnnotation text{.text = QStringLiteral("Hi"), .position = {0.5, 0.5}, .fontSize = 16,
                        .color = paletteRed, .width = 0.6, .isSelected = true};
    const QImage image = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintText(p, text, kSize, 200); });
    const QRectF frame = AnnotationRenderers::textFrame(text, kSize, 200);
    const int y = int(frame.top());
    const int x0 = int(frame.left()) + 4, x1 = int(frame.right()) - 4;
    const int blue = PixelProbe::countAlongRow(image, y, x0, x1, Qt::white, 40);
    EXPECT_GT(x1 - x0 - blue, (x1 - x0) / 4) << "dashes";
    EXPECT_GT(blue, (x1 - x0) / 4) << "gaps";
    const QRect dash = PixelProbe::inkBounds(image.copy(x0, y - 1, x1 - x0, 3), Qt::white, 40);
    ASSERT_TRUE(dash.isValid());
    // Blue (softened by the selection opacity and by the line straddling two rows).
    const QColor onDash = at(image, x0 + dash.left() + 1, y - 1 + dash.top());
    EXPECT_EQ(onDash.blue(), 255);
    EXPECT_LT(onDash.red(), onDash.green());
    EXPECT_LT(onDash.green(), 230);

    // The frame is never lower than one line of padding, even for an empty text.
    text.text.clear();
    const QRectF empty = AnnotationRenderers::textFrame(text, kSize, 200);
    EXPECT_GE(empty.height(), 5.0);
    EXPECT_NEAR(empty.center().y(), 100, 1e-9);
}
