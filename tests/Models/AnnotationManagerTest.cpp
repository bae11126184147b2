#include "Models/AnnotationManager.h"
#include "Models/Palette.h"
#include "Models/TextMeasurement.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <QLineF>

#include <cmath>

namespace {

ArrowAnnotation makeArrow(QPointF from, QPointF to)
{
    return ArrowAnnotation{.startPoint = from, .endPoint = to, .color = paletteRed, .lineWidth = 3};
}

LineAnnotation makeLine(QPointF from, QPointF to)
{
    return LineAnnotation{.startPoint = from, .endPoint = to, .lineWidth = 2, .color = paletteBlue};
}

RectangleAnnotation makeRect(QRectF rect)
{
    return RectangleAnnotation{.rect = rect, .strokeColor = paletteRed, .lineWidth = 2, .cornerRadius = 6};
}

NumberAnnotation makeNumber(QPointF at, double diameter, NumberShape shape = NumberShape::circle)
{
    return NumberAnnotation{.position = at, .value = 1, .color = paletteRed, .diameter = diameter, .shape = shape};
}

TextAnnotation makeText(QPointF at, double width, QString text = QStringLiteral("Hello"))
{
    return TextAnnotation{.text = std::move(text), .position = at, .fontSize = 20,
                          .fontName = QStringLiteral("DejaVu Sans"), .color = paletteBlack, .width = width};
}

FreehandAnnotation makeFreehand(QList<QPointF> points)
{
    return FreehandAnnotation{.points = std::move(points), .color = paletteGreen, .lineWidth = 3};
}

const QSizeF canvas(800, 600);

} // namespace

TEST(AnnotationManagerUpdates, UnknownIdsAndEmptyListsChangeNothingAndStayQuiet)
{
    AnnotationManager store;
    QSignalSpy changed(&store, &AnnotationManager::changed);

    store.updateArrow(QUuid::createUuid(), QPointF(1, 1));  // empty list
    store.appendArrow(makeArrow({0.1, 0.1}, {0.2, 0.2}));
    changed.clear();
    const auto before = store.arrows().first();
    store.updateArrow(QUuid::createUuid(), QPointF(1, 1), QPointF(2, 2), paletteBlue, 9.0, ArrowHeadStyle::dot);
    store.updateLine(store.arrows().first().id, QPointF(1, 1));  // an arrow's id is not a line's
    store.setRectangleFill(QUuid::createUuid(), paletteRed);
    store.moveAnnotation(QUuid::createUuid(), 10, 10, 100, 100);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(store.arrows().first().endPoint, before.endPoint);
    EXPECT_EQ(store.arrows().first().lineWidth, 3.0);
}

TEST(AnnotationManagerUpdates, PresentArgumentsAreWrittenAndAbsentOnesKept)
{
    AnnotationManager store;
    store.appendArrow(makeArrow({0.1, 0.1}, {0.2, 0.2}));
    store.appendArrow(makeArrow({0.5, 0.5}, {0.6, 0.6}));
    const QUuid second = store.arrows()[1].id;
    QSignalSpy changed(&store, &AnnotationManager::changed);
    QSignalSpy arrowsChanged(&store, &AnnotationManager::arrowsChanged);

    store.updateArrow(second, std::nullopt, QPointF(0.9, 0.8), std::nullopt, 5.0);
    const ArrowAnnotation& a = store.arrows()[1];
    EXPECT_EQ(a.startPoint, QPointF(0.5, 0.5));
    EXPECT_EQ(a.endPoint, QPointF(0.9, 0.8));
    EXPECT_EQ(a.lineWidth, 5.0);
    EXPECT_EQ(a.color, paletteRed);
    EXPECT_EQ(a.headStyle, ArrowHeadStyle::open);
    EXPECT_EQ(store.arrows()[0].endPoint, QPointF(0.2, 0.2)) << "only the addressed element changes";
    // Two writes and the closing notification.
    EXPECT_EQ(arrowsChanged.count(), 2);
    EXPECT_EQ(changed.count(), 3);

    // Nothing to write still announces once.
    store.appendLine(makeLine({0, 0}, {1, 1}));
    changed.clear();
    store.updateLine(store.lines().first().id);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(store.lines().first().endPoint, QPointF(1, 1));

    // Updates never touch a text's fixed-width flag.
    TextAnnotation text = makeText({0.5, 0.5}, 0.3);
    text.isFixedWidth = true;
    store.appendText(text);
    store.updateText(text.id, QStringLiteral("Changed"), std::nullopt, 30.0, QStringLiteral("Arial"), paletteRed, 0.5);
    EXPECT_EQ(store.texts()[0].width, 0.5);
    EXPECT_TRUE(store.texts()[0].isFixedWidth);
}

TEST(AnnotationManagerUpdates, RectangleFillIsKeptByUpdateAndRemovedOnlyBySetFill)
{
    AnnotationManager store;
    RectangleAnnotation r = makeRect({0.1, 0.1, 0.2, 0.2});
    r.fillColor = paletteOrange;
    store.appendRectangle(r);

    store.updateRectangle(r.id, QRectF(0.2, 0.2, 0.3, 0.3), ShapeType::circle, paletteBlue, std::nullopt, 7.0,
                          AnnotationEffect::mosaic, 5.0, 0.6);
    const RectangleAnnotation& updated = store.rectangles()[0];
    EXPECT_EQ(updated.fillColor, paletteOrange);
    EXPECT_EQ(std::tuple(updated.rect, updated.shapeType, updated.effect, updated.mosaicIntensity, updated.spotlightDim),
              std::tuple(QRectF(0.2, 0.2, 0.3, 0.3), ShapeType::circle, AnnotationEffect::mosaic, 5.0, 0.6));
    EXPECT_EQ(updated.cornerRadius, 6.0) << "the corner radius is fixed at creation";

    store.setRectangleFill(r.id, paletteGreen);
    EXPECT_EQ(store.rectangles()[0].fillColor, paletteGreen);
    store.setRectangleFill(r.id, std::nullopt);
    EXPECT_FALSE(store.rectangles()[0].fillColor.has_value());
}

TEST(AnnotationManagerSelection, SelectDeselectAndSelectedIdOrder)
{
    AnnotationManager store;
    EXPECT_FALSE(store.selectedAnnotationId().has_value());

    store.appendNumber(makeNumber({0.5, 0.5}, 28));
    store.appendRectangle(makeRect({0.1, 0.1, 0.2, 0.2}));
    store.appendArrow(makeArrow({0.1, 0.1}, {0.2, 0.2}));
    const QUuid number = store.numbers()[0].id;
    const QUuid rect = store.rectangles()[0].id;
    const QUuid arrow = store.arrows()[0].id;

    store.selectAnnotation(number);
    EXPECT_TRUE(store.numbers()[0].isSelected);
    EXPECT_EQ(store.selectedAnnotationId(), number);

    // Selecting another deselects the first.
    store.selectAnnotation(rect);
    EXPECT_FALSE(store.numbers()[0].isSelected);
    EXPECT_EQ(store.selectedAnnotationId(), rect);

    // With several flags set (an undo snapshot can hold them), arrows come first.
    QList<NumberAnnotation> numbers = store.numbers();
    numbers[0].isSelected = true;
    store.setNumbers(numbers);
    QList<ArrowAnnotation> arrows = store.arrows();
    arrows[0].isSelected = true;
    store.setArrows(arrows);
    EXPECT_EQ(store.selectedAnnotationId(), arrow);

    // An unknown id leaves everything deselected.
    store.selectAnnotation(QUuid::createUuid());
    EXPECT_FALSE(store.selectedAnnotationId().has_value());
    EXPECT_FALSE(store.rectangles()[0].isSelected);

    store.selectAnnotation(arrow);
    store.deselectAll();
    EXPECT_FALSE(store.selectedAnnotationId().has_value());
}

TEST(AnnotationManagerSelection, SameIdInTwoListsIsSelectedInBoth)
{
    AnnotationManager store;
    ArrowAnnotation arrow = makeArrow({0.1, 0.1}, {0.2, 0.2});
    LineAnnotation line = makeLine({0.1, 0.1}, {0.2, 0.2});
    line.id = arrow.id;
    store.appendArrow(arrow);
    store.appendLine(line);
    store.selectAnnotation(arrow.id);
    EXPECT_TRUE(store.arrows()[0].isSelected);
    EXPECT_TRUE(store.lines()[0].isSelected);

    store.deleteAnnotation(arrow.id);
    EXPECT_TRUE(store.arrows().isEmpty());
    EXPECT_TRUE(store.lines().isEmpty());
}

TEST(AnnotationManagerDelete, DeleteKeepsOrderAndClearEmptiesEverything)
{
    AnnotationManager store;
    for (int i = 0; i < 4; ++i)
        store.appendRectangle(makeRect({0.1 * i, 0.1, 0.1, 0.1}));
    const QList<RectangleAnnotation> before = store.rectangles();
    QSignalSpy changed(&store, &AnnotationManager::changed);
    store.deleteAnnotation(before[1].id);
    EXPECT_EQ(store.rectangles(), (QList<RectangleAnnotation>{before[0], before[2], before[3]}));
    EXPECT_EQ(changed.count(), 6) << "every list is written";

    store.appendText(makeText({0.5, 0.5}, 0.2));
    store.appendFreehand(makeFreehand({{0, 0}, {1, 1}}));
    store.clearAll();
    EXPECT_TRUE(store.rectangles().isEmpty());
    EXPECT_TRUE(store.texts().isEmpty());
    EXPECT_TRUE(store.freehands().isEmpty());
}

TEST(AnnotationManagerHitTest, GrownBoxesPerKind)
{
    AnnotationManager store;
    EXPECT_FALSE(store.hitTestAnnotation({100, 100}, canvas, canvas).has_value());
    // Rectangle box (200, 150, 200, 150) grown by 5: x from 195 (in) to 405 (out).
    store.appendRectangle(makeRect({0.25, 0.25, 0.25, 0.25}));
    const QUuid rect = store.rectangles()[0].id;
    EXPECT_EQ(store.hitTestAnnotation({195, 200}, canvas, canvas), rect);
    EXPECT_FALSE(store.hitTestAnnotation({194.9, 200}, canvas, canvas).has_value());
    EXPECT_EQ(store.hitTestAnnotation({404.9, 200}, canvas, canvas), rect);
    EXPECT_FALSE(store.hitTestAnnotation({405, 200}, canvas, canvas).has_value()) << "far edge is outside";

    // A negative-size rectangle still counts its size as positive from its origin.
    AnnotationManager flipped;
    flipped.appendRectangle(makeRect({0.5, 0.5, -0.25, -0.25}));  // box (400, 300, 200, 150)
    EXPECT_EQ(flipped.hitTestAnnotation({590, 440}, canvas, canvas), flipped.rectangles()[0].id);
    EXPECT_FALSE(flipped.hitTestAnnotation({390, 290}, canvas, canvas).has_value());

    // Arrows and lines grow by 8 around the box of their end points.
    AnnotationManager twoEnded;
    twoEnded.appendArrow(makeArrow({0.1, 0.1}, {0.2, 0.2}));  // (80, 60)-(160, 120)
    twoEnded.appendLine(makeLine({0.6, 0.6}, {0.5, 0.5}));    // (400, 300)-(480, 360)
    EXPECT_EQ(twoEnded.hitTestAnnotation({72, 52}, canvas, canvas), twoEnded.arrows()[0].id);
    EXPECT_FALSE(twoEnded.hitTestAnnotation({71.9, 100}, canvas, canvas).has_value());
    EXPECT_EQ(twoEnded.hitTestAnnotation({487.9, 367.9}, canvas, canvas), twoEnded.lines()[0].id);
    EXPECT_FALSE(twoEnded.hitTestAnnotation({488, 330}, canvas, canvas).has_value());
    // The shaft's distance is not measured: the box corner away from the shaft hits.
    EXPECT_EQ(twoEnded.hitTestAnnotation({155, 65}, canvas, canvas), twoEnded.arrows()[0].id);

    // Freehand strokes grow by 5; a single point is never hit.
    AnnotationManager strokes;
    strokes.appendFreehand(makeFreehand({{0.5, 0.5}}));
    EXPECT_FALSE(strokes.hitTestAnnotation({400, 300}, canvas, canvas).has_value());
    strokes.appendFreehand(makeFreehand({{0.5, 0.5}, {0.6, 0.55}, {0.55, 0.7}}));  // (400, 300)-(480, 420)
    EXPECT_EQ(strokes.hitTestAnnotation({395, 425 - 0.1}, canvas, canvas), strokes.freehands()[1].id);
    EXPECT_FALSE(strokes.hitTestAnnotation({485, 350}, canvas, canvas).has_value());

    // The stroke's box follows every change of the stroke.
    const QUuid stroke = strokes.freehands()[1].id;
    strokes.moveAnnotation(stroke, -200, 0, 800, 600);  // now (200, 300)-(280, 420)
    EXPECT_FALSE(strokes.hitTestAnnotation({400, 350}, canvas, canvas).has_value());
    EXPECT_EQ(strokes.hitTestAnnotation({250, 350}, canvas, canvas), stroke);
    strokes.updateFreehand(stroke, QList<QPointF>{{0.9, 0.9}, {0.95, 0.95}});
    EXPECT_FALSE(strokes.hitTestAnnotation({250, 350}, canvas, canvas).has_value());
    EXPECT_EQ(strokes.hitTestAnnotation({740, 560}, canvas, canvas), stroke);
    strokes.deleteAnnotation(strokes.freehands()[0].id);
    EXPECT_EQ(strokes.hitTestAnnotation({740, 560}, canvas, canvas), stroke);
    strokes.setFreehands({});
    EXPECT_FALSE(strokes.hitTestAnnotation({740, 560}, canvas, canvas).has_value());
}

TEST(AnnotationManagerHitTest, NumberMarkersHitOnlyInsideTheirOutline)
{
    AnnotationManager store;
    store.appendNumber(makeNumber({0.5, 0.5}, 28));  // centre (400, 300)
    const QUuid id = store.numbers()[0].id;
    EXPECT_EQ(store.hitTestAnnotation({400, 287}, canvas, canvas), id);
    EXPECT_FALSE(store.hitTestAnnotation({400, 285}, canvas, canvas).has_value()) << "no margin";
    EXPECT_FALSE(store.hitTestAnnotation({388, 288}, canvas, canvas).has_value()) << "corner of its square";

    // A teardrop reaches 18.2 above and below its centre: hit at its tail tip,
    // below the circle it would otherwise be, and not beside the narrow tail.
    AnnotationManager drops;
    drops.appendNumber(makeNumber({0.5, 0.5}, 28, NumberShape::teardrop));
    EXPECT_EQ(drops.hitTestAnnotation({400, 317}, canvas, canvas), drops.numbers()[0].id);
    EXPECT_EQ(drops.hitTestAnnotation({400, 282.5}, canvas, canvas), drops.numbers()[0].id);
    EXPECT_FALSE(drops.hitTestAnnotation({400, 281.5}, canvas, canvas).has_value());
    EXPECT_FALSE(drops.hitTestAnnotation({395, 317}, canvas, canvas).has_value());
}

TEST(AnnotationManagerHitTest, SmallestAreaWinsThenKindOrderThenNewest)
{
    // A big rectangle and a small diagonal arrow inside it: the arrow wins.
    AnnotationManager store;
    store.appendRectangle(makeRect({0.0, 0.0, 1.0, 1.0}));
    store.appendArrow(makeArrow({0.5, 0.5}, {0.55, 0.55}));
    EXPECT_EQ(store.hitTestAnnotation({405, 305}, canvas, canvas), store.arrows()[0].id);
    // Within 8 of the arrow's box but outside it, the arrow still wins.
    EXPECT_EQ(store.hitTestAnnotation({395, 295}, canvas, canvas), store.arrows()[0].id);
    EXPECT_EQ(store.hitTestAnnotation({100, 100}, canvas, canvas), store.rectangles()[0].id);

    // A horizontal line has area 0 and beats a small marker sitting on it.
    store.appendLine(makeLine({0.1, 0.2}, {0.9, 0.2}));
    store.appendNumber(makeNumber({0.3, 0.2}, 20));
    EXPECT_EQ(store.hitTestAnnotation({240, 121}, canvas, canvas), store.lines()[0].id);

    // A marker of diameter 28 counts as 44 x 44 = 1936: a 40 x 40 rectangle beats
    // it, a 50 x 50 one loses to it.
    AnnotationManager marker;
    marker.appendNumber(makeNumber({0.5, 0.5}, 28));
    marker.appendRectangle(makeRect({390.0 / 800, 280.0 / 600, 40.0 / 800, 50.0 / 600}));  // 2000
    EXPECT_EQ(marker.hitTestAnnotation({400, 300}, canvas, canvas), marker.numbers()[0].id);
    marker.appendRectangle(makeRect({390.0 / 800, 290.0 / 600, 40.0 / 800, 40.0 / 600}));  // 1600
    EXPECT_EQ(marker.hitTestAnnotation({400, 300}, canvas, canvas), marker.rectangles()[1].id);

    // Equal areas: the later-created element of a kind wins; arrows beat lines.
    AnnotationManager same;
    same.appendArrow(makeArrow({0.1, 0.1}, {0.2, 0.2}));
    same.appendArrow(makeArrow({0.1, 0.1}, {0.2, 0.2}));
    same.appendLine(makeLine({0.1, 0.1}, {0.2, 0.2}));
    EXPECT_EQ(same.hitTestAnnotation({100, 100}, canvas, canvas), same.arrows()[1].id);
    same.appendRectangle(makeRect({0.1, 0.1, 0.1, 0.1}));
    EXPECT_EQ(same.hitTestAnnotation({100, 100}, canvas, canvas), same.rectangles()[0].id)
        << "rectangles beat arrows among equal areas";
}

TEST(AnnotationManagerHitTest, TextBoxesUseTheMeasuredHeightAtTheCanvasScale)
{
    AnnotationManager store;
    store.appendText(makeText({0.5, 0.5}, 0.25));  // box 202 wide centred on (400, 300)
    const TextAnnotation& t = store.texts()[0];
    const QUuid id = t.id;

    // Shown at half the image's size, the font is measured at half its size.
    const QSizeF reference(1600, 1200);
    const double h = measureTextHeight(t, t.fontSize * 0.5, 200);
    ASSERT_GT(h, 5.0);
    const double halfBox = (h + 4) / 2 + 2;
    EXPECT_EQ(store.hitTestAnnotation({400, 300 - halfBox + 0.01}, canvas, reference), id);
    EXPECT_FALSE(store.hitTestAnnotation({400, 300 - halfBox - 0.01}, canvas, reference).has_value());
    EXPECT_EQ(store.hitTestAnnotation({400 - 103, 300}, canvas, reference), id);
    EXPECT_FALSE(store.hitTestAnnotation({400 - 103.01, 300}, canvas, reference).has_value());
    EXPECT_EQ(store.hitTestAnnotation({400 + 102.99, 300}, canvas, reference), id);
    EXPECT_FALSE(store.hitTestAnnotation({400 + 103, 300}, canvas, reference).has_value());

    // At full scale the text is taller, so the same point further out is a hit.
    const double fullHalfBox = (measureTextHeight(t, t.fontSize, 200) + 4) / 2 + 2;
    ASSERT_GT(fullHalfBox, halfBox + 1);
    EXPECT_EQ(store.hitTestAnnotation({400, 300 - halfBox - 0.5}, canvas, canvas), id);
    // With no reference width the font is not scaled.
    EXPECT_EQ(store.hitTestAnnotation({400, 300 - halfBox - 0.5}, canvas, QSizeF(0, 0)), id);
}

TEST(AnnotationManagerMove, MovesByTheDeltaAsAFractionOfTheCanvas)
{
    AnnotationManager store;
    store.appendArrow(makeArrow({0.1, 0.2}, {0.3, 0.4}));
    const QUuid arrow = store.arrows()[0].id;
    QSignalSpy changed(&store, &AnnotationManager::changed);

    store.moveAnnotation(arrow, 80, -60, 0, 600);
    store.moveAnnotation(arrow, 80, -60, 800, -1);
    store.moveAnnotation(arrow, 0, 0, 800, 600);
    store.moveAnnotation(arrow, std::nan(""), 5, 800, 600);
    store.moveAnnotation(arrow, 5, INFINITY, 800, 600);
    store.moveAnnotation(arrow, 5, 5, std::nan(""), 600);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(store.arrows()[0].startPoint, QPointF(0.1, 0.2));

    store.moveAnnotation(arrow, 80, -60, 800, 600);
    const QLineF moved(store.arrows()[0].startPoint, store.arrows()[0].endPoint);
    EXPECT_NEAR(QLineF(moved.p1(), QPointF(0.2, 0.1)).length() + QLineF(moved.p2(), QPointF(0.4, 0.3)).length(), 0, 1e-12);
    EXPECT_GT(changed.count(), 0);

    // Every kind moves; nothing is clamped to the image.
    store.appendRectangle(makeRect({0.9, 0.9, 0.2, 0.2}));
    store.appendFreehand(makeFreehand({{0.1, 0.1}, {0.2, 0.3}}));
    store.appendText(makeText({0.5, 0.5}, 0.2));
    store.appendNumber(makeNumber({0.05, 0.05}, 20));
    store.appendLine(makeLine({0, 0}, {1, 1}));
    store.moveAnnotation(store.rectangles()[0].id, 160, 120, 800, 600);
    store.moveAnnotation(store.freehands()[0].id, -80, 60, 800, 600);
    store.moveAnnotation(store.texts()[0].id, 400, 0, 800, 600);
    store.moveAnnotation(store.numbers()[0].id, -80, -60, 800, 600);
    store.moveAnnotation(store.lines()[0].id, 8, 6, 800, 600);
    EXPECT_NEAR(store.rectangles()[0].rect.x(), 1.1, 1e-12);
    EXPECT_NEAR(store.rectangles()[0].rect.width(), 0.2, 1e-12);
    EXPECT_NEAR(store.freehands()[0].points[0].x(), 0.0, 1e-12);
    EXPECT_NEAR(store.freehands()[0].points[1].y(), 0.4, 1e-12);
    EXPECT_NEAR(store.texts()[0].position.x(), 1.0, 1e-12);
    EXPECT_NEAR(store.numbers()[0].position.x(), -0.05, 1e-12);
    EXPECT_NEAR(store.numbers()[0].position.y(), -0.05, 1e-12);
    EXPECT_NEAR(store.lines()[0].endPoint.x(), 1.01, 1e-12);
}
