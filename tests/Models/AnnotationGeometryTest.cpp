#include "Models/AnnotationGeometry.h"

#include <QLineF>
#include <gtest/gtest.h>

#include <cmath>

namespace {

ArrowAnnotation arrow(QPointF from, QPointF to, double lineWidth, ArrowHeadStyle head)
{
    return {.startPoint = from, .endPoint = to, .lineWidth = lineWidth, .headStyle = head};
}

LineAnnotation line(LineStyle style, double lineWidth)
{
    return {.startPoint = {0.1, 0.2}, .endPoint = {0.5, 0.6}, .lineStyle = style, .lineWidth = lineWidth};
}

int subpathCount(const QPainterPath& path)
{
    int n = 0;
    for (int i = 0; i < path.elementCount(); ++i)
        n += path.elementAt(i).isMoveTo() ? 1 : 0;
    return n;
}

QPointF elementPoint(const QPainterPath& path, int i)
{
    return QPointF(path.elementAt(i).x, path.elementAt(i).y);
}

QList<QPointF> straightStroke(double length, int pointCount)
{
    QList<QPointF> points;
    for (int i = 0; i < pointCount; ++i)
        points.append(QPointF(length * i / (pointCount - 1), 5.0));
    return points;
}

} // namespace

TEST(ArrowGeometry, HeadLengthFollowsLineWidthWithAMinimum)
{
    // Horizontal arrow in a 200 x 100 space: tail (20, 50), tip (180, 50).
    for (auto [lineWidth, expected] : {std::pair{2.0, 15.0}, std::pair{4.0, 20.0}, std::pair{1.0, 15.0}}) {
        const QPainterPath path = arrowPath(arrow({0.1, 0.5}, {0.9, 0.5}, lineWidth, ArrowHeadStyle::open), 200, 100);
        ASSERT_EQ(path.elementCount(), 6);
        const QPointF tip = elementPoint(path, 1);
        EXPECT_NEAR(tip.x(), 180.0, 1e-9);
        EXPECT_NEAR(QLineF(tip, elementPoint(path, 3)).length(), expected, 1e-9);
        EXPECT_NEAR(QLineF(tip, elementPoint(path, 5)).length(), expected, 1e-9);
        // Both head strokes point back along the shaft, 30 degrees either side of it.
        EXPECT_NEAR(elementPoint(path, 3).x(), 180.0 - expected * std::cos(M_PI / 6), 1e-9);
        EXPECT_NEAR(std::abs(elementPoint(path, 3).y() - 50.0), expected / 2.0, 1e-9);
        EXPECT_NEAR(elementPoint(path, 3).y() + elementPoint(path, 5).y(), 100.0, 1e-9);
    }
}

TEST(ArrowGeometry, SubpathsAndFillsPerHeadStyle)
{
    const auto open = arrow({0.1, 0.1}, {0.6, 0.4}, 3, ArrowHeadStyle::open);
    EXPECT_EQ(subpathCount(arrowPath(open, 100, 100)), 3);
    EXPECT_FALSE(arrowHeadFillPath(open, 100, 100).has_value());

    // A filled head is a closed triangle at the tip: a point just behind the tip is
    // inside the fill, a point beside the shaft is not.
    const auto filled = arrow({0.0, 0.5}, {1.0, 0.5}, 2, ArrowHeadStyle::filled);
    const QPainterPath filledPath = arrowPath(filled, 100, 100);
    EXPECT_EQ(subpathCount(filledPath), 2);
    const QPointF last = elementPoint(filledPath, filledPath.elementCount() - 1);
    EXPECT_NEAR(last.x(), 100.0, 1e-9) << "the triangle closes back on the tip";
    const auto fill = arrowHeadFillPath(filled, 100, 100);
    ASSERT_TRUE(fill.has_value());
    EXPECT_TRUE(fill->contains(QPointF(95, 50.5)));
    EXPECT_FALSE(fill->contains(QPointF(50, 52)));
    EXPECT_FALSE(fill->contains(QPointF(95, 56)));

    // A dot head: the shaft alone, and a dot of diameter max(2.5 w, 8) on the tip.
    for (auto [lineWidth, diameter] : {std::pair{2.0, 8.0}, std::pair{3.2, 8.0}, std::pair{4.0, 10.0}}) {
        const auto dot = arrow({0.1, 0.1}, {0.5, 0.8}, lineWidth, ArrowHeadStyle::dot);
        const QPainterPath shaft = arrowPath(dot, 100, 50);
        EXPECT_EQ(shaft.elementCount(), 2);
        const auto dotFill = arrowHeadFillPath(dot, 100, 50);
        ASSERT_TRUE(dotFill.has_value());
        const QRectF bounds = dotFill->boundingRect();
        EXPECT_NEAR(bounds.width(), diameter, 1e-9);
        EXPECT_NEAR(bounds.height(), diameter, 1e-9);
        EXPECT_NEAR(bounds.center().x(), 50.0, 1e-9);
        EXPECT_NEAR(bounds.center().y(), 40.0, 1e-9);
    }
}

TEST(LineGeometry, DashPatternsAndEndDots)
{
    const auto dashed = lineDashPattern(line(LineStyle::dashed, 3));
    ASSERT_TRUE(dashed.has_value());
    EXPECT_EQ(*dashed, (QList<double>{9.0, 6.0}));
    EXPECT_EQ(penDashPattern(line(LineStyle::dashed, 3)), (QList<qreal>{3.0, 2.0}));
    EXPECT_TRUE(lineEndDotPaths(line(LineStyle::dashed, 3), 100, 100).isEmpty());

    EXPECT_FALSE(lineDashPattern(line(LineStyle::solid, 3)).has_value());
    EXPECT_TRUE(lineEndDotPaths(line(LineStyle::solid, 3), 100, 100).isEmpty());

    // Dotted: a plain stroke with a dot on each end.
    EXPECT_FALSE(lineDashPattern(line(LineStyle::dotted, 2)).has_value());
    const auto dots = lineEndDotPaths(line(LineStyle::dotted, 2), 200, 100);
    ASSERT_EQ(dots.size(), 2);
    EXPECT_NEAR(dots[0].boundingRect().width(), 8.0, 1e-9);
    EXPECT_NEAR(dots[0].boundingRect().center().x(), 20.0, 1e-9);
    EXPECT_NEAR(dots[0].boundingRect().center().y(), 20.0, 1e-9);
    EXPECT_NEAR(dots[1].boundingRect().center().x(), 100.0, 1e-9);
    EXPECT_NEAR(dots[1].boundingRect().center().y(), 60.0, 1e-9);
    EXPECT_NEAR(lineEndDotPaths(line(LineStyle::dotted, 6), 200, 100)[1].boundingRect().height(), 15.0, 1e-9);
    // A width that is not a number still gets the smallest dot.
    EXPECT_NEAR(lineEndDotPaths(line(LineStyle::dotted, std::nan("")), 200, 100)[0].boundingRect().width(), 8.0, 1e-9);

    // A pattern of zero total length would make the dasher spin without advancing.
    for (double width : {0.0, -2.0, std::nan("")})
        EXPECT_FALSE(lineDashPattern(line(LineStyle::dashed, width)).has_value()) << width;
    EXPECT_FALSE(penDashPattern(line(LineStyle::dashed, 0)).has_value());
}

TEST(NumberMarkerGeometry, CircleIsInscribedInItsSquare)
{
    const QPainterPath circle = numberMarkerPath(NumberShape::circle, {50, 40}, 28);
    EXPECT_NEAR(circle.boundingRect().left(), 36.0, 1e-9);
    EXPECT_NEAR(circle.boundingRect().top(), 26.0, 1e-9);
    EXPECT_NEAR(circle.boundingRect().width(), 28.0, 1e-9);
    EXPECT_TRUE(circle.contains(QPointF(50, 40)));
    EXPECT_TRUE(circle.contains(QPointF(50, 27)));
    EXPECT_FALSE(circle.contains(QPointF(37, 27))) << "the square's corner is outside the circle";
    for (double d : {0.0, -4.0, std::nan(""), double(INFINITY)}) {
        EXPECT_TRUE(numberMarkerPath(NumberShape::teardrop, {10, 10}, d).isEmpty()) << d;
        EXPECT_TRUE(numberMarkerPath(NumberShape::circle, {10, 10}, d).isEmpty()) << d;
    }
}

TEST(NumberMarkerGeometry, TeardropHangsItsTailDownAroundTheCentre)
{
    const QPointF centre(100, 100);
    const QPainterPath drop = numberMarkerPath(NumberShape::teardrop, centre, 28);
    const QRectF bounds = drop.boundingRect();
    // 36.4 tall, 18.2 above and below the centre; the head is 28 wide.
    EXPECT_NEAR(bounds.top(), 81.8, 1e-6);
    EXPECT_NEAR(bounds.bottom(), 118.2, 1e-6);
    EXPECT_NEAR(bounds.left(), 86.0, 1e-6);
    EXPECT_NEAR(bounds.right(), 114.0, 1e-6);

    // The round head is at the top: its top and widest row are filled...
    EXPECT_TRUE(drop.contains(QPointF(100, 83)));
    EXPECT_TRUE(drop.contains(QPointF(87, 95.8)));
    EXPECT_TRUE(drop.contains(QPointF(113, 95.8)));
    // ...and the tail narrows to the tip at the bottom.
    EXPECT_TRUE(drop.contains(QPointF(100, 117)));
    EXPECT_FALSE(drop.contains(QPointF(94, 117)));
    EXPECT_FALSE(drop.contains(QPointF(106, 117)));
    // An upside-down drop would fill the bottom corners of its bounds instead.
    EXPECT_FALSE(drop.contains(QPointF(87, 83)));

    // Left-right symmetric.
    for (double y = 82; y < 118; y += 2)
        EXPECT_EQ(drop.contains(QPointF(100 - 9, y)), drop.contains(QPointF(100 + 9, y))) << y;
}

TEST(FreehandGeometry, ArcLengthsAndPointsAlongThePolyline)
{
    const QList<QPointF> points{{0, 0}, {3, 4}, {3, 4}, {3, 10}};
    const QList<double> lengths = cumulativeArcLengths(points);
    EXPECT_EQ(lengths, (QList<double>{0, 5, 5, 11}));

    EXPECT_EQ(pointAtArcLength(points, lengths, -3), QPointF(0, 0));
    EXPECT_EQ(pointAtArcLength(points, lengths, 50), QPointF(3, 10));
    EXPECT_EQ(pointAtArcLength(points, lengths, 2.5), QPointF(1.5, 2));
    EXPECT_EQ(pointAtArcLength(points, lengths, 8), QPointF(3, 7));
    EXPECT_EQ(pointAtArcLength({{7, 7}}, {0}, 3), QPointF(7, 7));
    EXPECT_EQ(pointAtArcLength({}, {}, 3), QPointF(0, 0));

    const auto slice = polylineSlice(points, lengths, 2.5, 8);
    ASSERT_TRUE(slice.has_value());
    EXPECT_EQ(*slice, (QList<QPointF>{{1.5, 2}, {3, 4}, {3, 4}, {3, 7}}));
    EXPECT_FALSE(polylineSlice(points, lengths, 4, 4).has_value());
    EXPECT_FALSE(polylineSlice(points, lengths, 5, 2).has_value());
    EXPECT_FALSE(polylineSlice(points, {0, 5}, 1, 2).has_value());
}

TEST(FreehandGeometry, TaperedStrokeWidthsAndPieces)
{
    // Length 30, width 4: T = min(10, max(12, 8)) = 10.
    const QList<QPointF> points = straightStroke(30, 31);
    const auto segments = freehandStrokeSegments(points, LineCapStyle::taper, 4);
    ASSERT_EQ(segments.size(), 17);

    const QList<double> expectedWidths{0.5, 0.75, 1.25, 1.75, 2.25, 2.75, 3.25, 3.75, 4.0,
                                       3.75, 3.25, 2.75, 2.25, 1.75, 1.25, 0.75, 0.5};
    for (int i = 0; i < 17; ++i) {
        EXPECT_DOUBLE_EQ(segments[i].width, expectedWidths[i]) << i;
        EXPECT_EQ(segments[i].cap, Qt::RoundCap);
    }
    // Start pieces each cover 1.25 units, the middle 10..20, the end pieces 20..30.
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(segments[i].points.first().x(), 1.25 * i, 1e-9);
        EXPECT_NEAR(segments[i].points.last().x(), 1.25 * (i + 1), 1e-9);
        EXPECT_NEAR(segments[9 + i].points.first().x(), 20 + 1.25 * i, 1e-9);
        EXPECT_NEAR(segments[9 + i].points.last().x(), 20 + 1.25 * (i + 1), 1e-9);
    }
    EXPECT_NEAR(segments[8].points.first().x(), 10, 1e-9);
    EXPECT_NEAR(segments[8].points.last().x(), 20, 1e-9);
    // The middle keeps the original points strictly inside it (11..19) plus both ends.
    EXPECT_EQ(segments[8].points.size(), 11);

    // Length 6: T = min(2, 8) = 2, so the middle runs 2..4.
    const auto shortStroke = freehandStrokeSegments(straightStroke(6, 7), LineCapStyle::taper, 1);
    ASSERT_EQ(shortStroke.size(), 17);
    EXPECT_NEAR(shortStroke[8].points.first().x(), 2, 1e-9);
    EXPECT_NEAR(shortStroke[8].points.last().x(), 4, 1e-9);
    EXPECT_DOUBLE_EQ(shortStroke[7].width, 0.9375);
}

TEST(FreehandGeometry, DegenerateStrokesAndPlainCaps)
{
    const QList<QPointF> same{{4, 4}, {4, 4}, {4, 4}};
    const auto still = freehandStrokeSegments(same, LineCapStyle::taper, 5);
    ASSERT_EQ(still.size(), 1);
    EXPECT_EQ(still[0].points, same);
    EXPECT_EQ(still[0].width, 5);
    EXPECT_EQ(still[0].cap, Qt::RoundCap);

    for (auto cap : allCases<LineCapStyle>())
        EXPECT_TRUE(freehandStrokeSegments({{1, 1}}, cap, 3).isEmpty());

    const QList<QPointF> points = straightStroke(30, 4);
    const auto butt = freehandStrokeSegments(points, LineCapStyle::butt, 3);
    ASSERT_EQ(butt.size(), 1);
    EXPECT_EQ(butt[0].cap, Qt::FlatCap);
    EXPECT_EQ(butt[0].points, points);
    const auto round = freehandStrokeSegments(points, LineCapStyle::round, 3);
    ASSERT_EQ(round.size(), 1);
    EXPECT_EQ(round[0].cap, Qt::RoundCap);
}
