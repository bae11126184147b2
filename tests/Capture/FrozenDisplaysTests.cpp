#include "Capture/FrozenDisplays.h"
#include "Capture/SelectionOverlayView.h"
#include "CaptureTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>

#include <gtest/gtest.h>

TEST(FreezeAllDisplays, AnyFailureGivesNothingRatherThanAPartialList)
{
    {
        FakeDisplaySource source;
        source.add(7, QRectF(0, 0, 200, 100), 1.0, patternImage(200, 100));
        source.add(9, QRectF(200, 0, 100, 60), 1.0, QImage()); // its grab fails
        EXPECT_FALSE(freezeAllDisplays(source));
        source.entries.removeLast();
        source.entries.append({std::nullopt, QImage()}); // a screen without a display
        EXPECT_FALSE(freezeAllDisplays(source));
        source.entries.removeLast();
        source.available = false;
        EXPECT_FALSE(freezeAllDisplays(source));
    }
    FakeDisplaySource none;
    EXPECT_FALSE(freezeAllDisplays(none));
}

TEST(SelectionOverlayDrawing, PaintsTheFrozenPictureTheLoupeAndTheDimmedSurround)
{
    FrozenScreenRecord record;
    record.frame = QRectF(0, 0, 300, 200);
    record.image = patternImage(300, 200, 4);
    SelectionOverlayView view(record);
    view.resize(300, 200);

    QImage plain = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(plain.size(), QSize(300, 200));
    EXPECT_EQ(plain, record.image) << "the overlay shows the frozen picture unchanged";

    // Hover at (40, 30): the loupe square starts 16 points right and below; each image
    // pixel is an 8-point cell, the hovered one in the middle (cells 5, 5).
    view.hoverPoint = QPointF(40, 30);
    const QImage loupe = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint inner(40 + 16 + 1, 30 + 16 + 1);
    EXPECT_EQ(loupe.pixel(inner + QPoint(5 * 8 + 2, 5 * 8 + 5)) & 0xffffff, record.image.pixel(40, 30) & 0xffffff);
    EXPECT_EQ(loupe.pixel(inner + QPoint(1 * 8 + 4, 2 * 8 + 4)) & 0xffffff, record.image.pixel(36, 27) & 0xffffff);
    EXPECT_EQ(loupe.pixel(5, 5), plain.pixel(5, 5)) << "away from the loupe nothing changes";

    // Dragging: the surround is dimmed, the inside of the selection is not.
    view.hoverPoint.reset();
    view.dragStart = QPointF(100, 100);
    view.dragCurrent = QPointF(200, 150);
    const QImage drag = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(drag.pixel(150, 125), plain.pixel(150, 125));
    const QColor outside = drag.pixelColor(20, 180);
    const QColor original = plain.pixelColor(20, 180);
    EXPECT_NEAR(outside.red(), original.red() * 0.75, 1.5);
    EXPECT_NEAR(outside.green(), original.green() * 0.75, 1.5);

    // Shown under a pointer that has not moved yet: the loupe is there at once.
    view.dragStart.reset();
    view.dragCurrent.reset();
    view.move(0, 0);
    QCursor::setPos(60, 50);
    view.show();
    EXPECT_EQ(view.hoverPoint, QPointF(60, 50));
}
