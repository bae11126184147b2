#include "PixelProbe.h"
#include "Views/RendererCommon.h"
#include "Views/SelectionHandles.h"

#include <gtest/gtest.h>

using PixelProbe::at;
using PixelProbe::near;

namespace {

QImage paintLayer(const SelectionHandlesLayer& layer)
{
    QImage image = PixelProbe::blank(200, 120);
    QPainter painter(&image);
    SelectionHandles::paint(painter, layer);
    return image;
}

const QColor kBlue = RendererStyle::standardBlue();
const QColor kOrange = RendererStyle::standardOrange();

} // namespace

TEST(SelectionHandles, groupsHandlesByHoverAndDrag)
{
    const std::vector<QPointF> points{{10, 10}, {20, 20}, {30, 30}, {40, 40}};

    SelectionHandlesLayer layer = SelectionHandles::prepare(points, 2, 0, {});
    EXPECT_EQ(layer.plainPoints, (std::vector<QPointF>{{20, 20}, {40, 40}}));
    EXPECT_EQ(layer.hoveredPoints, (std::vector<QPointF>{{10, 10}}));
    EXPECT_EQ(layer.activePoints, (std::vector<QPointF>{{30, 30}}));

    // The same handle hovered and dragged is drawn in both groups.
    layer = SelectionHandles::prepare(points, 1, 1, {});
    EXPECT_EQ(layer.plainPoints.size(), 3u);
    EXPECT_EQ(layer.hoveredPoints, (std::vector<QPointF>{{20, 20}}));
    EXPECT_EQ(layer.activePoints, (std::vector<QPointF>{{20, 20}}));

    // Indices outside the list draw nothing for their group and hide no handle.
    layer = SelectionHandles::prepare(points, 7, -1, {});
    EXPECT_EQ(layer.plainPoints, points);
    EXPECT_TRUE(layer.hoveredPoints.empty());
    EXPECT_TRUE(layer.activePoints.empty());

    EXPECT_TRUE(SelectionHandles::prepare({}, std::nullopt, std::nullopt, {}).plainPoints.empty());
}

TEST(SelectionHandles, dotsAreBlueWithAWhiteRimAndTheDraggedOneOrangeOnTop)
{
    const std::vector<QPointF> points{{30, 30}, {100, 30}};
    QImage image = paintLayer(SelectionHandles::prepare(points, 1, 1, {}));

    EXPECT_TRUE(near(at(image, 30, 30), kBlue));
    EXPECT_TRUE(near(at(image, 100, 30), kOrange)) << "the active dot lies over the hovered one";
    // A dot is 16 points across: blue well inside, white on the rim, background outside.
    EXPECT_TRUE(near(at(image, 30 + 5, 30), kBlue));
    EXPECT_TRUE(near(at(image, 30, 30 + 12), Qt::white));
    const QRect ink = PixelProbe::inkBounds(image.copy(0, 0, 60, 60), Qt::white, 40);
    EXPECT_NEAR(ink.width(), 16, 2);
    EXPECT_NEAR(ink.center().x(), 30, 1);

    // The white rim sits on the circle's edge: reading outwards from the centre, the
    // last coloured pixel before the background is whiter than the fill.
    const QColor rim = at(image, 30 + 8, 30);
    EXPECT_GT(rim.red(), kBlue.red() + 60) << PixelProbe::describe(rim);
}

TEST(SelectionHandles, freehandFramesAreDashedAndNeverSmallerThanOnePoint)
{
    SelectionHandlesLayer layer;
    layer.freehandFrames = {QRectF(10, 20, 150, 60), QRectF(180, 100, 0, 0)};
    QImage image = paintLayer(layer);

    // Along the top edge of the big frame, 4 points of blue then 4 points of gap.
    const int drawn = PixelProbe::countAlongRow(image, 20, 11, 159, Qt::white, 60);
    const int row = 159 - 11;
    EXPECT_GT(drawn, row / 4) << "gaps between dashes";
    EXPECT_LT(drawn, row * 3 / 4) << "dashes drawn";
    EXPECT_TRUE(near(at(image, 80, 50), Qt::white)) << "the frame is not filled";

    // A stroke of one point has a zero box, still drawn as a 1 x 1 frame.
    const QRect dot = PixelProbe::inkBounds(image.copy(170, 90, 30, 30), Qt::white, 40);
    ASSERT_FALSE(dot.isNull());
    EXPECT_LE(dot.width(), 3);
    EXPECT_LE(dot.height(), 3);
}

TEST(SelectionHandles, hitAreaIsARoundTwentyFourPointTargetAndTheLaterHandleWins)
{
    const std::vector<QPointF> points{{50, 50}, {60, 50}, {200, 200}};
    EXPECT_EQ(SelectionHandles::handleAt(points, QPointF(40, 50)), 0);
    EXPECT_EQ(SelectionHandles::handleAt(points, QPointF(55, 50)), 1) << "overlap: the later handle";
    EXPECT_EQ(SelectionHandles::handleAt(points, QPointF(200 + 11.9, 200)), 2);
    EXPECT_FALSE(SelectionHandles::handleAt(points, QPointF(200 + 12.1, 200)));
    // The corner of the hit square is outside the circle.
    EXPECT_FALSE(SelectionHandles::handleAt(points, QPointF(200 + 10, 200 + 10)));
    const QRectF square = SelectionHandles::hitRect(QPointF(200, 200));
    EXPECT_TRUE(square.contains(QPointF(210, 210)));
    EXPECT_EQ(square.center(), QPointF(200, 200));
    EXPECT_FALSE(SelectionHandles::handleAt({}, QPointF(0, 0)));
}
