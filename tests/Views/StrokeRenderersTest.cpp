#include "PixelProbe.h"
#include "Models/Palette.h"
#include "Views/RendererCommon.h"
#include "Views/StrokeRenderers.h"

#include <gtest/gtest.h>

#include <cmath>

using PixelProbe::at;
using PixelProbe::near;
using PixelProbe::paintOnWhite;

namespace {

const QSizeF kSize(200, 100);
const QColor kRed(255, 0, 0);

ArrowAnnotation rightwardArrow(ArrowHeadStyle head, double lineWidth)
{
    // From (20, 50) to (160, 50) in a 200 x 100 space.
    return ArrowAnnotation{.startPoint = {0.1, 0.5}, .endPoint = {0.8, 0.5}, .color = paletteRed,
                           .lineWidth = lineWidth, .headStyle = head};
}

// Number of rows at column x whose pixel is clearly coloured (not background white).
int thicknessAt(const QImage& image, int x)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        if (!near(at(image, x, y), Qt::white, 100))
            ++n;
    return n;
}

} // namespace

TEST(StrokeRenderers, arrowHeadsAreDrawnAtTheTipInTheArrowColour)
{
    const QImage filled = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintArrow(p, rightwardArrow(ArrowHeadStyle::filled, 4), kSize);
    });
    const QImage open = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintArrow(p, rightwardArrow(ArrowHeadStyle::open, 4), kSize);
    });
    const QImage dot = paintOnWhite(kSize, [](QPainter& p) {
        AnnotationRenderers::paintArrow(p, rightwardArrow(ArrowHeadStyle::dot, 4), kSize);
    });

    // Just behind the tip every head is red.
    EXPECT_TRUE(near(at(filled, 157, 50), kRed));
    EXPECT_TRUE(near(at(open, 157, 50), kRed));
    EXPECT_TRUE(near(at(dot, 157, 50), kRed));

    // 15 points behind the tip and 4 off the shaft lies inside the head triangle:
    // filled there, a gap between the two head strokes of the open head.
    EXPECT_TRUE(near(at(filled, 145, 54), kRed));
    EXPECT_TRUE(near(at(open, 145, 54), Qt::white));
    // The head's wings reach about 10 points off the shaft, 17 behind the tip.
    EXPECT_TRUE(near(at(open, 143, 60), kRed, 40));
    EXPECT_TRUE(near(at(filled, 143, 40), kRed, 40));
    // A dot head has no wings.
    EXPECT_TRUE(near(at(dot, 143, 60), Qt::white));
    EXPECT_TRUE(near(at(dot, 145, 55), Qt::white));

    // Butt caps stop at the tip; the dot (diameter 10 here) reaches past it.
    EXPECT_TRUE(near(at(open, 163, 50), Qt::white));
    EXPECT_TRUE(near(at(dot, 163, 50), kRed));
    EXPECT_TRUE(near(at(dot, 160, 53), kRed));
    // Nothing behind the tail.
    EXPECT_TRUE(near(at(filled, 15, 50), Qt::white));
}

TEST(StrokeRenderers, shaftIsAsWideAsTheLineWidthWhateverTheZoom)
{
    for (double width : {2.0, 6.0}) {
        SCOPED_TRACE(width);
        // The same arrow in a space twice as large keeps its shaft width.
        for (QSize size : {QSize(200, 100), QSize(400, 200)}) {
            const QImage image = paintOnWhite(size, [&](QPainter& p) {
                AnnotationRenderers::paintArrow(p, rightwardArrow(ArrowHeadStyle::open, width), size);
            });
            EXPECT_NEAR(thicknessAt(image, size.width() / 4), width, 1.0);
        }
    }
}

TEST(StrokeRenderers, dashedLineLeavesGapsAndDottedLineEndsInDots)
{
    auto line = [](LineStyle style) {
        return LineAnnotation{.startPoint = {0.05, 0.5}, .endPoint = {0.95, 0.5}, .lineStyle = style,
                              .lineWidth = 4, .color = paletteRed};
    };
    const QImage solid = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintLine(p, line(LineStyle::solid), kSize); });
    const QImage dashed = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintLine(p, line(LineStyle::dashed), kSize); });
    const QImage dotted = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintLine(p, line(LineStyle::dotted), kSize); });

    const int run = 180 - 20;
    EXPECT_EQ(PixelProbe::countAlongRow(solid, 50, 20, 180, kRed, 10), run);
    EXPECT_EQ(PixelProbe::countAlongRow(dotted, 50, 20, 180, kRed, 10), run) << "a dotted line is solid";

    // Dashes of 3 widths, gaps of 2, each dash widened by its round caps: about
    // four fifths drawn, one fifth gap.
    const int red = PixelProbe::countAlongRow(dashed, 50, 20, 180, kRed, 10);
    const int white = PixelProbe::countAlongRow(dashed, 50, 20, 180, Qt::white, 10);
    EXPECT_GT(white, run / 10);
    EXPECT_GT(red, run / 2);
    // Every gap is a whole run of background between two dashes.
    int gaps = 0;
    for (int x = 21; x < 180; ++x)
        if (near(at(dashed, x, 50), Qt::white, 10) && !near(at(dashed, x - 1, 50), Qt::white, 10))
            ++gaps;
    EXPECT_GE(gaps, 6);

    // End dots are wider than the stroke: 4 points off the line at an end.
    EXPECT_TRUE(near(at(dotted, 10, 54), kRed, 40));
    EXPECT_TRUE(near(at(dotted, 190, 46), kRed, 40));
    EXPECT_TRUE(near(at(solid, 10, 54), Qt::white, 10));
    EXPECT_TRUE(near(at(dotted, 100, 54), Qt::white, 10)) << "dots only at the ends";
}

TEST(StrokeRenderers, highlighterMultipliesOntoWhatLiesBelow)
{
    // Left half white, right half pure blue.
    QImage image = PixelProbe::blank(200, 100);
    {
        QPainter p(&image);
        p.fillRect(100, 0, 100, 100, QColor(0, 0, 255));
    }
    const FreehandAnnotation stroke{.points = {{0.05, 0.5}, {0.95, 0.5}}, .color = RgbaColor(1, 1, 0),
                                    .lineWidth = 3, .capStyle = LineCapStyle::butt, .isHighlighter = true,
                                    .highlighterAlpha = 1.0};
    {
        QPainter p(&image);
        AnnotationRenderers::paintFreehand(p, stroke, kSize);
    }
    // Yellow on white stays yellow; yellow times blue is black (a normal blend would be yellow).
    EXPECT_TRUE(near(at(image, 50, 50), QColor(255, 255, 0)));
    EXPECT_TRUE(near(at(image, 150, 50), QColor(0, 0, 0)));
    // A highlighter is drawn several times wider than its line width.
    EXPECT_NEAR(thicknessAt(image, 50), stroke.lineWidth * highlighterWidthFactor, 1.0);

    // At half alpha, half of the white shows through.
    FreehandAnnotation translucent = stroke;
    translucent.highlighterAlpha = 0.5;
    const auto paintTranslucent = [&](QPainter& p) { AnnotationRenderers::paintFreehand(p, translucent, kSize); };
    const QImage half = paintOnWhite(kSize, paintTranslucent);
    EXPECT_TRUE(near(at(half, 50, 50), QColor(255, 255, 128), 3));

    // Selected, the dimming multiplies the alpha: 0.5 x 0.7 covers 35 %.
    translucent.isSelected = true;
    const QImage selected = paintOnWhite(kSize, paintTranslucent);
    const int expectedBlue = qRound(255 * (1.0 - 0.5 * RendererStyle::selectedOpacity));
    EXPECT_TRUE(near(at(selected, 50, 50), QColor(255, 255, expectedBlue), 3));
}

TEST(StrokeRenderers, taperedStrokeNarrowsTowardsBothEnds)
{
    const FreehandAnnotation stroke{.points = {{0.05, 0.5}, {0.5, 0.5}, {0.95, 0.5}}, .color = paletteRed,
                                    .lineWidth = 10, .capStyle = LineCapStyle::taper};
    const QImage image = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintFreehand(p, stroke, kSize); });
    const int middle = thicknessAt(image, 100);
    EXPECT_NEAR(middle, 10, 1);
    EXPECT_LT(thicknessAt(image, 12), middle / 2);
    EXPECT_LT(thicknessAt(image, 188), middle / 2);

    const FreehandAnnotation round{.points = stroke.points, .color = paletteRed, .lineWidth = 10,
                                   .capStyle = LineCapStyle::round};
    const QImage rounded = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintFreehand(p, round, kSize); });
    EXPECT_NEAR(thicknessAt(rounded, 12), 10, 1);
    EXPECT_TRUE(near(at(rounded, 7, 50), kRed, 40)) << "round cap reaches past the first point";
}

TEST(StrokeRenderers, strokeOfOnePointDrawsNothing)
{
    for (LineCapStyle cap : allCases<LineCapStyle>()) {
        const FreehandAnnotation stroke{.points = {{0.5, 0.5}}, .color = paletteRed, .lineWidth = 10,
                                        .capStyle = cap};
        const QImage image = paintOnWhite(kSize, [&](QPainter& p) { AnnotationRenderers::paintFreehand(p, stroke, kSize); });
        EXPECT_TRUE(PixelProbe::inkBounds(image, Qt::white, 1).isNull());
    }
}

TEST(StrokeRenderers, selectedStrokesAreDimmedAndThePainterIsLeftAsItWas)
{
    LineAnnotation line{.startPoint = {0.1, 0.5}, .endPoint = {0.9, 0.5}, .lineWidth = 6, .color = paletteRed,
                        .isSelected = true};
    QImage image = PixelProbe::blank(200, 100);
    QPainter p(&image);
    p.setOpacity(0.5);
    AnnotationRenderers::paintLine(p, line, kSize);
    EXPECT_EQ(p.opacity(), 0.5);
    EXPECT_EQ(p.compositionMode(), QPainter::CompositionMode_SourceOver);
    p.end();
    const int other = qRound(255 * (1.0 - 0.5 * RendererStyle::selectedOpacity));
    EXPECT_TRUE(near(at(image, 100, 50), QColor(255, other, other), 3));
}

TEST(StrokeRenderers, highlighterBlendsTheSameOnAnyTarget)
{
    // A half-transparent target: the multiply must also weigh what lies below by its alpha.
    QImage base(200, 100, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            base.setPixelColor(x, y, QColor(x, 255 - x, y * 2, x < 100 ? 128 : 255));
    const FreehandAnnotation stroke{.points = {{0.05, 0.3}, {0.5, 0.7}, {0.95, 0.4}}, .color = RgbaColor(1, 0.8, 0),
                                    .lineWidth = 4, .isHighlighter = true, .highlighterAlpha = 0.6};

    QImage direct = base.copy();
    {
        QPainter p(&direct);
        AnnotationRenderers::paintFreehand(p, stroke, kSize);
    }
    // A clip that covers everything leaves the blending to Qt's own multiply.
    QImage clipped = base.copy();
    {
        QPainter p(&clipped);
        p.setClipRect(QRect(0, 0, 200, 100));
        AnnotationRenderers::paintFreehand(p, stroke, kSize);
    }
    ASSERT_NE(direct, base);
    EXPECT_LE(PixelProbe::difference(direct, clipped).worst, 2);
}
