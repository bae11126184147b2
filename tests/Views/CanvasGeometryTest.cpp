#include "Views/CanvasGeometry.h"

#include <gtest/gtest.h>

namespace {

constexpr qreal kTurns[] = {0.0, 90.0, 180.0, 270.0};

void expectNear(QPointF actual, QPointF expected, const char* what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9) << what;
}

// A 400 x 100 image at zoom 1 in a 600 x 500 viewport, panned a little.
HandleFrameTransform sample(qreal rotation)
{
    return CanvasGeometry::makeTransform(QSizeF(400, 100), 1.0, rotation, QSizeF(600, 500), QSizeF(0, 0));
}

} // namespace

TEST(CanvasGeometry, imageCornersLandOnTheRotatedCornersOnScreen)
{
    // The viewport centre is (300, 250); the rotated image spans 400 x 100 or 100 x 400.
    struct Case {
        qreal rotation;
        QPointF topLeftOnScreen;
        QPointF bottomRightOnScreen;
    };
    const Case cases[] = {
        {0.0, {100, 200}, {500, 300}},
        // A clockwise quarter turn puts the image's top-left corner at the top right.
        {90.0, {350, 50}, {250, 450}},
        {180.0, {500, 300}, {100, 200}},
        {270.0, {250, 450}, {350, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotation);
        const HandleFrameTransform t = sample(c.rotation);
        expectNear(t.viewportPoint(QPointF(0, 0)), c.topLeftOnScreen, "top left");
        expectNear(t.viewportPoint(QPointF(400, 100)), c.bottomRightOnScreen, "bottom right");
        expectNear(t.imagePoint(c.topLeftOnScreen), QPointF(0, 0), "back to top left");
    }
}

TEST(CanvasGeometry, mappingsAreInversesAndAgreeWithThePainterTransform)
{
    const QPointF probes[] = {{0, 0}, {12.5, 80}, {399, 1}, {-30, 140}, {200, 50}};
    for (qreal rotation : kTurns) {
        SCOPED_TRACE(rotation);
        HandleFrameTransform t =
            CanvasGeometry::makeTransform(QSizeF(400, 100), 3.0, rotation, QSizeF(600, 500), QSizeF(-70, 40));
        const QTransform painter = t.painterTransform();
        for (QPointF p : probes) {
            const QPointF v = t.viewportPoint(p);
            expectNear(t.imagePoint(v), p, "round trip");
            expectNear(painter.map(p), v, "painter transform");
        }
        // A drag on screen moves the image point under it by the turned translation.
        const QPointF start(310, 260);
        const QPointF drag(10, -4);
        expectNear(t.imagePoint(start + drag) - t.imagePoint(start), t.imageTranslation(drag), "translation");
    }
}

TEST(CanvasGeometry, inexactRotationsMapAsUnrotated)
{
    const HandleFrameTransform straight = sample(0);
    for (qreal odd : {45.0, 90.5, -90.0, 360.0}) {
        SCOPED_TRACE(odd);
        HandleFrameTransform t = straight;
        t.rotationDegrees = odd;
        expectNear(t.viewportPoint(QPointF(7, 9)), straight.viewportPoint(QPointF(7, 9)), "point");
        expectNear(t.imagePoint(QPointF(7, 9)), straight.imagePoint(QPointF(7, 9)), "inverse");
        expectNear(t.imageTranslation(QPointF(3, 4)), QPointF(3, 4), "translation");
        expectNear(t.painterTransform().map(QPointF(7, 9)), straight.viewportPoint(QPointF(7, 9)), "painter");
    }
}

TEST(CanvasGeometry, rotatedImageOverflowsAndPansByItsRotatedBounds)
{
    // 400 x 100 at zoom 1 in a 300 x 300 area, turned a quarter: 100 x 400 on screen.
    const QSizeF area(300, 300);
    for (qreal rotation : {90.0, 270.0, -90.0}) {
        SCOPED_TRACE(rotation);
        const QSizeF rotated = CanvasGeometry::rotatedBounds(QSizeF(400, 100), rotation);
        EXPECT_EQ(rotated, QSizeF(100, 400));
        EXPECT_TRUE(CanvasGeometry::overflows(rotated, area));
        const QSizeF limit = CanvasGeometry::panLimit(rotated, area);
        EXPECT_EQ(CanvasGeometry::clampPan(QSizeF(80, -80), limit), QSizeF(0, -50));
        EXPECT_EQ(CanvasGeometry::clampPan(QSizeF(-5, 20), limit), QSizeF(0, 20));
    }
    EXPECT_EQ(CanvasGeometry::rotatedBounds(QSizeF(400, 100), 180), QSizeF(400, 100));
}

TEST(CanvasGeometry, imageThatFitsIgnoresThePanOffset)
{
    const HandleFrameTransform fits =
        CanvasGeometry::makeTransform(QSizeF(200, 100), 1.0, 0, QSizeF(600, 500), QSizeF(40, 30));
    expectNear(fits.viewportPoint(QPointF(100, 50)), QPointF(300, 250), "centred");

    const HandleFrameTransform overflows =
        CanvasGeometry::makeTransform(QSizeF(200, 100), 4.0, 0, QSizeF(600, 500), QSizeF(40, 30));
    expectNear(overflows.viewportPoint(QPointF(400, 200)), QPointF(340, 280), "panned");
}
