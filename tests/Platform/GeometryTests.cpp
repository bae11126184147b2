#include "Platform/Geometry.h"

#include <gtest/gtest.h>

using namespace Geometry;

TEST(Geometry, ContainsIncludesNearEdgesAndExcludesFarEdges)
{
    const QRectF r(10, 20, 30, 40);
    EXPECT_TRUE(contains(r, {10, 20}));
    EXPECT_TRUE(contains(r, {39.999, 59.999}));
    for (const QPointF outside : {QPointF(40, 30), QPointF(20, 60), QPointF(9.999, 30), QPointF(std::nan(""), 30)})
        EXPECT_FALSE(contains(r, outside)) << outside.x() << "," << outside.y();

    // A rectangle given with negative size means the same area.
    const QRectF flipped(40, 60, -30, -40);
    EXPECT_TRUE(contains(flipped, {10, 20}));
    EXPECT_FALSE(contains(flipped, {40, 60}));
    EXPECT_EQ(std::tuple(minX(flipped), maxY(flipped), midX(flipped), midY(flipped)), std::tuple(10.0, 60.0, 25.0, 40.0));

    // Empty rectangles contain nothing.
    EXPECT_TRUE(isEmpty(QRectF(5, 5, 0, 10)));
    EXPECT_FALSE(isEmpty(QRectF(5, 5, -1, 1)));
    EXPECT_FALSE(contains(QRectF(5, 5, 0, 10), {5, 5}));
}

TEST(Geometry, InsetShrinksGrowsAndRefusesToTurnInsideOut)
{
    EXPECT_EQ(insetBy(QRectF(0, 0, 100, 50), 10, 5), QRectF(10, 5, 80, 40));
    EXPECT_EQ(insetBy(QRectF(0, 0, 100, 50), -10, -5), QRectF(-10, -5, 120, 60));
    EXPECT_EQ(insetBy(QRectF(100, 50, -100, -50), 10, 5), QRectF(10, 5, 80, 40));
    // Exactly to nothing is still a rectangle, one step further is none.
    EXPECT_EQ(insetBy(QRectF(0, 0, 20, 20), 10, 0), QRectF(10, 0, 0, 20));
    EXPECT_FALSE(insetBy(QRectF(0, 0, 20, 20), 10.5, 0).has_value());
    EXPECT_FALSE(insetBy(QRectF(0, 0, 20, 20), 0, 11).has_value());
}

TEST(Geometry, IntersectionOfOverlappingTouchingAndDisjointRectangles)
{
    EXPECT_EQ(intersection(QRectF(0, 0, 10, 10), QRectF(5, 5, 10, 10)), QRectF(5, 5, 5, 5));
    // Touching along an edge: a zero-width strip, which contains no point.
    const auto touching = intersection(QRectF(0, 0, 10, 10), QRectF(10, 0, 10, 10));
    ASSERT_TRUE(touching.has_value());
    EXPECT_EQ(*touching, QRectF(10, 0, 0, 10));
    EXPECT_FALSE(contains(*touching, {10, 5}));
    EXPECT_FALSE(intersection(QRectF(0, 0, 10, 10), QRectF(10.5, 0, 10, 10)).has_value());
    // Negative sizes are standardised first.
    EXPECT_EQ(intersection(QRectF(10, 10, -10, -10), QRectF(5, 5, 10, 10)), QRectF(5, 5, 5, 5));
}

TEST(Geometry, UnionCoversBothIntegralRoundsOutwardAndPointsMakeRectanglesAndDistances)
{
    EXPECT_EQ(unite(QRectF(0, 0, 10, 10), QRectF(20, -5, 5, 5)), QRectF(0, -5, 25, 15));
    EXPECT_EQ(integral(QRectF(0.5, 1.2, 10.1, 3.3)), QRectF(0, 1, 11, 4));
    EXPECT_EQ(integral(QRectF(-0.5, -1.5, 1, 1)), QRectF(-1, -2, 2, 2));
    EXPECT_EQ(integral(QRectF(10.5, 10.5, -5, -5)), QRectF(5, 5, 6, 6));
    // A sliver is still widened to one whole pixel.
    EXPECT_EQ(integral(QRectF(2.25, 2.25, 0.5, 0.5)), QRectF(2, 2, 1, 1));

    EXPECT_EQ(fromPoints({30, 5}, {10, 25}), QRectF(10, 5, 20, 20));
    EXPECT_EQ(fromPoints({10, 25}, {30, 5}), QRectF(10, 5, 20, 20));
    EXPECT_DOUBLE_EQ(distance({0, 0}, {3, 4}), 5.0);
    EXPECT_FALSE(isFinite(QPointF(std::numeric_limits<double>::infinity(), 0)));
    EXPECT_TRUE(isFinite(QSizeF(1, 2)));
}
