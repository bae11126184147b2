#include "ToolbarTestSupport.h"

#include "EditorCanvasTestSupport.h"
#include "PixelProbe.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace ToolbarTest;
using CropCorner = ImageEditorViewModel::CropCorner;
using CropDragMode = ImageEditorViewModel::CropDragMode;

namespace {

// A shown canvas of 400 x 300 with a 200 x 100 image at zoom 1, in crop mode.
struct CropCanvas {
    ImageEditorViewModel model;
    EditorCanvasView canvas { &model };
    CropOverlay overlay { &model, &canvas };

    explicit CropCanvas(double rotation = 0.0)
    {
        canvas.resize(400, 300);
        canvas.show();
        (void)QTest::qWaitForWindowExposed(&canvas);
        model.setLoadedImage(solidImage(200, 100), QUrl::fromLocalFile(QStringLiteral("/tmp/crop.png")));
        model.setZoomLevel(1.0);
        model.setRotation(rotation);
        model.selectTool(ToolType::crop);
    }

    QPointF screenPoint(QPointF imagePoint) const { return canvas.currentTransform().viewportPoint(imagePoint); }
};

QRectF boundsOf(QPointF a, QPointF b)
{
    return QRectF(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                  QPointF(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

::testing::AssertionResult sameRect(const QRectF& actual, const QRectF& expected, double tolerance = 1e-6)
{
    if (std::fabs(actual.x() - expected.x()) <= tolerance && std::fabs(actual.y() - expected.y()) <= tolerance &&
        std::fabs(actual.width() - expected.width()) <= tolerance &&
        std::fabs(actual.height() - expected.height()) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rect (" << actual.x() << ", " << actual.y() << ", " << actual.width()
                                         << " x " << actual.height() << "), expected (" << expected.x() << ", "
                                         << expected.y() << ", " << expected.width() << " x " << expected.height()
                                         << ")";
}

} // namespace

TEST(CropOverlayGesture, CornerWithinTwelvePointsFirstMatchWins)
{
    const QRectF r(50, 50, 100, 80);
    EXPECT_EQ(CropOverlay::cornerNear(r, QPointF(50 - 12, 50)), CropCorner::topLeft);
    EXPECT_FALSE(CropOverlay::cornerNear(r, QPointF(50 - 12.5, 50)));
    EXPECT_EQ(CropOverlay::cornerNear(r, QPointF(150, 130)), CropCorner::bottomRight);
    EXPECT_FALSE(CropOverlay::cornerNear(r, QPointF(100, 90)));
    // A rectangle under 24 points wide: near both top corners, top-left wins; the top
    // corners win over the bottom ones.
    const QRectF narrow(50, 50, 20, 20);
    EXPECT_EQ(CropOverlay::cornerNear(narrow, QPointF(60, 52)), CropCorner::topLeft);
    EXPECT_EQ(CropOverlay::cornerNear(narrow, QPointF(69, 60)), CropCorner::topRight);
    EXPECT_FALSE(CropOverlay::cornerNear(QRectF(), QPointF(0, 0)));
}

TEST(CropOverlayGesture, PressNearACornerDragsItInsideMovesOutsideDrawsClampedToTheFrame)
{
    CropCanvas c;
    const QSizeF frame(200, 100);
    const QRectF crop(40, 20, 100, 60);
    const std::pair<QPointF, CropDragMode> presses[] = {
        { QPointF(48, 28), CropDragMode::cornerDrag(CropCorner::topLeft) },
        { QPointF(90, 50), CropDragMode::move() },
        { QPointF(5, 5), CropDragMode::draw() },
    };
    for (const auto& [press, mode] : presses) {
        c.model.setCropRect(crop);
        c.overlay.cropDragChanged(press, press + QPointF(10, 5), frame);
        EXPECT_EQ(c.model.cropDragMode(), mode);
        c.overlay.cropDragEnded({}, {}, frame);
        EXPECT_EQ(c.model.cropDragMode(), CropDragMode::none());
    }
    EXPECT_TRUE(sameRect(CropOverlay::drawnRect(QPointF(150, 20), QPointF(260, -30), frame), QRectF(150, 0, 50, 20)));
    EXPECT_TRUE(sameRect(CropOverlay::drawnRect(QPointF(-10, 90), QPointF(30, 130), frame), QRectF(0, 90, 30, 10)));
}

TEST(CropOverlayGesture, ADrawOrACornerDragKeepsTenPointsAndADoubleClickAppliesOnlyAboveTenByTen)
{
    CropCanvas c;
    const QSizeF frame(200, 100);
    c.overlay.cropDragChanged(QPointF(10, 10), QPointF(20, 50), frame); // 10 x 40
    c.overlay.cropDragEnded({}, {}, frame);
    EXPECT_TRUE(c.model.cropRect().isEmpty());
    c.overlay.cropDragChanged(QPointF(10, 10), QPointF(20.5, 50), frame); // 10.5 x 40
    c.overlay.cropDragEnded({}, {}, frame);
    EXPECT_TRUE(sameRect(c.model.cropRect(), QRectF(10, 10, 10.5, 40)));

    c.model.setCropRect(QRectF(40, 20, 100, 60));
    c.overlay.cropDragChanged(QPointF(140, 80), QPointF(0, 0), frame);
    c.overlay.cropDragEnded({}, {}, frame);
    EXPECT_TRUE(sameRect(c.model.cropRect(), QRectF(40, 20, 10, 10)));
    EXPECT_FALSE(c.model.cropCornerDragStart());
    EXPECT_FALSE(c.model.cropDraggingCorner());

    c.model.setCropRect(QRectF(10, 10, 10, 200));
    c.overlay.cropDoubleClicked(frame);
    EXPECT_TRUE(c.model.isCropping());
    EXPECT_EQ(c.model.selectedImage()->pixelSize(), QSize(200, 100));
    c.model.setCropRect(QRectF(10, 10, 11, 11));
    c.overlay.cropDoubleClicked(frame);
    EXPECT_FALSE(c.model.isCropping());
    EXPECT_EQ(c.model.selectedImage()->pixelSize(), QSize(11, 11));
}

class CropOverlayRotation : public ::testing::TestWithParam<double> {};

TEST_P(CropOverlayRotation, DrawnRectangleLandsWhereItWasDrawn)
{
    CropCanvas c(GetParam());
    // Two screen points over the image, whatever its turn.
    const QPointF a = c.screenPoint(QPointF(30, 20));
    const QPointF b = c.screenPoint(QPointF(150, 80));
    CanvasTest::drag(&c.canvas, a, b);
    const QRectF crop = c.model.cropRect();
    ASSERT_GT(crop.width(), 10.0);
    // Its corners, shown on screen, are the corners of the rectangle the user dragged.
    const QRectF onScreen = boundsOf(c.screenPoint(crop.topLeft()), c.screenPoint(crop.bottomRight()));
    EXPECT_TRUE(sameRect(onScreen, boundsOf(a.toPoint(), b.toPoint()), 1e-6));
    EXPECT_TRUE(sameRect(crop, QRectF(30, 20, 120, 60), 1.0));
}

TEST_P(CropOverlayRotation, MoveFollowsThePointerOnScreen)
{
    CropCanvas c(GetParam());
    c.model.setCropRect(QRectF(40, 30, 60, 40));
    const QPointF from = c.screenPoint(QPointF(70, 50));
    const QPointF to = from + QPointF(25, 15);
    CanvasTest::drag(&c.canvas, from, to);
    const QRectF crop = c.model.cropRect();
    EXPECT_EQ(crop.size(), QSizeF(60, 40));
    // The centre moved on screen exactly as the pointer did.
    const QPointF centreOnScreen = c.screenPoint(crop.center());
    EXPECT_NEAR(centreOnScreen.x(), c.screenPoint(QPointF(70, 50)).x() + 25, 1e-6);
    EXPECT_NEAR(centreOnScreen.y(), c.screenPoint(QPointF(70, 50)).y() + 15, 1e-6);
}

TEST_P(CropOverlayRotation, CornerFollowsThePointerOnScreen)
{
    CropCanvas c(GetParam());
    c.model.setCropRect(QRectF(40, 30, 100, 50));
    // Grab the image's bottom-right corner wherever it shows, pull it 20 points
    // towards the image's top left on screen.
    const QPointF corner = c.screenPoint(QPointF(140, 80));
    const QPointF target = c.screenPoint(QPointF(120, 60));
    CanvasTest::drag(&c.canvas, corner, target);
    EXPECT_TRUE(sameRect(c.model.cropRect(), QRectF(40, 30, 80, 30), 1e-6));
}

INSTANTIATE_TEST_SUITE_P(EveryQuarterTurn, CropOverlayRotation, ::testing::Values(0.0, 90.0, 180.0, 270.0));

TEST(CropOverlayCanvas, DoubleClickOnTheCanvasCrops)
{
    CropCanvas c(90.0);
    CanvasTest::drag(&c.canvas, c.screenPoint(QPointF(20, 10)), c.screenPoint(QPointF(120, 60)));
    ASSERT_TRUE(CropOverlay::isLargeEnough(c.model.cropRect()));
    QTest::mouseDClick(&c.canvas, Qt::LeftButton, Qt::NoModifier, c.screenPoint(QPointF(50, 30)).toPoint());
    EXPECT_FALSE(c.model.isCropping());
    EXPECT_EQ(c.model.selectedImage()->pixelSize(), QSize(100, 50));
}

TEST(CropOverlayPaint, DimsOutsideBordersAndHandlesTheCorners)
{
    ImageEditorViewModel model;
    CropOverlay overlay(&model, nullptr);
    QImage image = PixelProbe::blank(200, 100, Qt::white);
    {
        QPainter painter(&image);
        overlay.paintCropOverlay(painter, QSizeF(200, 100));
    }
    // Nothing before there is a rectangle.
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 5, 5), Qt::white, 0));

    model.setCropRect(QRectF(50, 30, 100, 40));
    image = PixelProbe::blank(200, 100, QColor(100, 100, 100));
    {
        QPainter painter(&image);
        overlay.paintCropOverlay(painter, QSizeF(200, 100));
    }
    // Outside: black at 25 % over grey 100 gives 75; inside untouched.
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 20, 10), QColor(75, 75, 75)));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 100, 50), QColor(100, 100, 100)));
    // The white border straddles the edge, the white handle covers the corner.
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 100, 30), Qt::white, 40));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(image, 152, 72), Qt::white, 10));
    // The handle's dark outline, 5 points from the corner.
    EXPECT_LT(PixelProbe::at(image, 54, 25).red(), 100);
}
