#include "Capture/FrozenDisplays.h"
#include "Capture/SelectionGeometry.h"

#include <gtest/gtest.h>

using namespace SelectionGeometry;

TEST(SelectionPixelRect, IsLocalToItsDisplayWidenedOutwardToWholePixelsAndCutToTheImage)
{
    const QRectF display(0, 0, 100, 50);
    const struct {
        QRectF selection, display;
        double scale;
        QSize image;
        QRect pixels;
    } cases[] = {
        // At scale 2, x from 100.25 to 110.5 points covers pixel columns 200 to 220.
        {QRectF(100.25, 40, 10.25, 20), QRectF(0, 0, 1440, 900), 2.0, QSize(2880, 1800), QRect(200, 80, 21, 40)},
        // Scale 1.5: 10.2 .. 30.9 -> floor(15.3)=15 .. ceil(46.35)=47.
        {QRectF(10.2, 10.2, 20.7, 20.7), QRectF(0, 0, 100, 100), 1.5, QSize(150, 150), QRect(15, 15, 32, 32)},
        {QRectF(5, 6, 70, 80), QRectF(0, 0, 200, 200), 1.0, QSize(200, 200), QRect(5, 6, 70, 80)},
        // Displays right of and above the primary one, and left of it.
        {QRectF(1950, -500, 100, 50), QRectF(1920, -600, 1000, 800), 2.0, QSize(2000, 1600), QRect(60, 200, 200, 100)},
        {QRectF(-990, 10, 20, 20), QRectF(-1000, 0, 1000, 800), 1.0, QSize(1000, 800), QRect(10, 10, 20, 20)},
        {QRectF(90, 40, 30, 30), display, 1.0, QSize(100, 50), QRect(90, 40, 10, 10)},
        {QRectF(-10, -10, 30, 30), display, 1.0, QSize(100, 50), QRect(0, 0, 20, 20)},
        {QRectF(100, 0, 30, 30), display, 1.0, QSize(100, 50), QRect()},
        {QRectF(300, 300, 30, 30), display, 1.0, QSize(100, 50), QRect()},
        {QRectF(10, 10, 0, 20), display, 1.0, QSize(100, 50), QRect()},
        // After a resolution change a stored area may lie partly outside: only the
        // overlapping pixels are taken.
        {QRectF(50, 25, 100, 100), display, 2.0, QSize(100, 50), QRect()},
        {QRectF(40, 20, 100, 100), display, 1.0, QSize(100, 50), QRect(40, 20, 60, 30)},
    };
    for (const auto& c : cases) {
        const QRect pixels = pixelRectForSelection(c.selection, c.display, c.scale, c.image.width(), c.image.height());
        EXPECT_EQ(pixels.isEmpty() ? QRect() : pixels, c.pixels) << c.selection.x() << ", " << c.selection.y();
    }
}

TEST(SelectionSize, TenByTenPointsIsTheSmallestSelection)
{
    EXPECT_TRUE(isLargeEnough(QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(isLargeEnough(QRectF(0, 0, 9.5, 40)));
    EXPECT_FALSE(isLargeEnough(QRectF(0, 0, 40, 9.99)));
    EXPECT_FALSE(isLargeEnough(QRectF(0, 0, std::nan(""), 40)));
    EXPECT_EQ(selectionFromPoints(QPointF(50, 10), QPointF(20, 30)), QRectF(20, 10, 30, 20));
    EXPECT_EQ(sizeText(QRectF(0, 0, 960, 540), 2.0), QStringLiteral("1920 × 1080"));
    EXPECT_EQ(sizeText(QRectF(0, 0, 10.25, 10.75), 1.0), QStringLiteral("10 × 11"));
    EXPECT_EQ(sizeText(QRectF(0, 0, 10.5, 3.5), 1.0), QStringLiteral("11 × 4"));
}

TEST(SelectionLoupe, ReadsThePixelUnderThePointerEvenAtTheDisplayEdges)
{
    const QSize image(1920, 1080);
    EXPECT_EQ(hoveredPixel(QPointF(0, 0), image), QPoint(0, 0));
    EXPECT_EQ(hoveredPixel(QPointF(2, 3), image), QPoint(2, 3));
    EXPECT_EQ(hoveredPixel(QPointF(1920, 1080), image), QPoint(1919, 1079));
    EXPECT_EQ(hoveredPixel(QPointF(-4, 1077.6), image), QPoint(0, 1078));
    EXPECT_EQ(hoveredPixel(QPointF(100.5, 200.49), image), QPoint(101, 200));
    EXPECT_FALSE(hoveredPixel(QPointF(1, 1), QSize(10, 400)));
    EXPECT_TRUE(hoveredPixel(QPointF(1, 1), QSize(11, 11)));
}

TEST(SelectionLoupe, OnlyTheMagnifiedNeighbourhoodIsKeptInsideTheImageAndTheSquareFlipsAtTheEdges)
{
    const QSize image(1920, 1080);
    EXPECT_EQ(loupeWindow(QPoint(0, 0), image), QRect(0, 0, 11, 11));
    EXPECT_EQ(loupeWindow(QPoint(500, 300), image), QRect(495, 295, 11, 11));
    EXPECT_EQ(loupeWindow(QPoint(1919, 1079), image), QRect(1909, 1069, 11, 11));
    EXPECT_EQ(loupeWindow(QPoint(3, 1076), image), QRect(0, 1069, 11, 11));

    const QRectF bounds(0, 0, 1920, 1080);
    EXPECT_EQ(loupeRect(QPointF(100, 100), bounds), QRectF(116, 116, 90, 90));
    EXPECT_EQ(loupeRect(QPointF(1850, 100), bounds), QRectF(1850 - 16 - 90, 116, 90, 90));
    EXPECT_EQ(loupeRect(QPointF(100, 1000), bounds), QRectF(116, 1000 - 16 - 90, 90, 90));
    EXPECT_EQ(loupeRect(QPointF(1814, 974), bounds), QRectF(1830, 990, 90, 90)); // just fits
}

TEST(SelectionLabels, SizeLabelSitsAboveTheSelectionOrBelowWithoutRoom)
{
    const QRectF bounds(0, 0, 800, 600);
    const QSizeF label(80, 17);
    EXPECT_EQ(sizeLabelOrigin(QRectF(100, 100, 200, 100), label, bounds), QPointF(220, 77));
    // At the top: below the selection instead.
    EXPECT_EQ(sizeLabelOrigin(QRectF(100, 10, 200, 100), label, bounds), QPointF(220, 116));
    // A selection filling the display: the label stays 4 points inside it.
    EXPECT_EQ(sizeLabelOrigin(QRectF(0, 0, 800, 600), label, bounds), QPointF(716, 579));
    // Narrow selection at the left edge.
    EXPECT_EQ(sizeLabelOrigin(QRectF(2, 100, 20, 20), label, bounds).x(), 4.0);
}

TEST(SelectionLabels, ReadoutSitsUnderTheLoupeOrAboveIt)
{
    const QRectF bounds(0, 0, 800, 600);
    const QSizeF label(70, 17);
    EXPECT_EQ(readoutLabelOrigin(QRectF(100, 100, 90, 90), label, bounds), QPointF(110, 196));
    EXPECT_EQ(readoutLabelOrigin(QRectF(100, 500, 90, 90), label, bounds), QPointF(110, 477));
    EXPECT_EQ(readoutLabelOrigin(QRectF(-20, 100, 90, 90), label, bounds).x(), 4.0);
    EXPECT_EQ(readoutLabelOrigin(QRectF(760, 100, 90, 90), label, bounds).x(), 800 - 70 - 4.0);
}

TEST(SelectionColours, BytesHexAndDecimalReadouts)
{
    EXPECT_EQ(colorByte(1.7), 255);
    EXPECT_EQ(colorByte(-0.2), 0);
    EXPECT_EQ(colorByte(0.5), 128); // 127.5 rounds away from zero
    EXPECT_EQ(hexColorText(QColor(255, 10, 171)), QStringLiteral("#FF0AAB"));
    EXPECT_EQ(hexColorText(QColor()), QStringLiteral("#000000"));
    EXPECT_EQ(rgbColorText(QColor(255, 10, 0)), QStringLiteral("R 255  G 10  B 0"));
    EXPECT_EQ(rgbColorText(QColor()), QString());
}

TEST(FrozenDisplaySize, PointsTimesScaleAreTruncatedToWholePixels)
{
    EXPECT_EQ(snapshotPixelSize(QRectF(0, 0, 1512, 982), 2.0), QSize(3024, 1964));
    EXPECT_EQ(snapshotPixelSize(QRectF(0, 0, 1512.3, 100.99), 2.0), QSize(3024, 201));
    EXPECT_EQ(snapshotPixelSize(QRectF(0, 0, 1920, 1080), 1.0), QSize(1920, 1080));
}
