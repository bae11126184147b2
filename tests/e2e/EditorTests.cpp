// The editor as a user meets it on a real X server: an image named on the command line
// shows in the window, and the arrow tool's key followed by a pointer drag draws an arrow.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QThread>

namespace {

using e2e::countPixels;
using e2e::isRed;
using e2e::paintedImage;

// The editor leaves 32 points at the bottom for its information bar.
constexpr int kInformationBar = 32;

} // namespace

class EditorTest : public DesktopTest {};

TEST_F(EditorTest, ImageNamedOnTheCommandLineIsShown)
{
    const QString path = desktop().saveImage(QStringLiteral("halves.png"), paintedImage(QSize(1200, 800), [](QPainter& p, QSize s) {
        p.fillRect(QRect(0, 0, s.width() / 2, s.height()), QColor(0, 180, 0));
        p.fillRect(QRect(s.width() / 2, 0, s.width() - s.width() / 2, s.height()), QColor(0, 0, 200));
    }));
    ASSERT_FALSE(path.isEmpty());

    const auto window = desktop().startLumetraOnImage(path);
    ASSERT_TRUE(window.has_value()) << desktop().errorString().toStdString() << "\nstdout: " << desktop().lumetraOutput().toStdString()
                                    << "\nstderr: " << desktop().lumetraErrors().toStdString();
    const auto geometry = desktop().windowGeometry(*window);
    ASSERT_TRUE(geometry.has_value());

    // The image is fitted into the canvas and centred: green left of the middle, blue right.
    const int midY = (geometry->height() - kInformationBar) / 2;
    const QImage shot = desktop().waitForScreenshot(*window, [&](const QImage& s) {
        return s.pixelColor(geometry->width() / 2 - 30, midY) == QColor(0, 180, 0);
    });
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixelColor(geometry->width() / 2 - 30, midY), QColor(0, 180, 0));
    EXPECT_EQ(shot.pixelColor(geometry->width() / 2 + 30, midY), QColor(0, 0, 200));
    // 1200 x 800 fitted into 900 x 418: 627 wide, so the window's edges show the canvas.
    EXPECT_NE(shot.pixelColor(5, midY), QColor(0, 180, 0));
    EXPECT_NE(shot.pixelColor(geometry->width() - 5, midY), QColor(0, 0, 200));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorTest, ArrowKeyThenPointerDragDrawsAnArrow)
{
    const QString path = desktop().saveImage(QStringLiteral("paper.png"), paintedImage(QSize(800, 400), [](QPainter& p, QSize s) {
        p.fillRect(QRect(QPoint(0, 0), s), QColor(235, 235, 235));
    }));
    ASSERT_FALSE(path.isEmpty());
    const auto window = desktop().startLumetraOnImage(path);
    ASSERT_TRUE(window.has_value()) << desktop().errorString().toStdString() << desktop().lumetraErrors().toStdString();
    const auto geometry = desktop().windowGeometry(*window);
    ASSERT_TRUE(geometry.has_value());
    QThread::msleep(500);

    const QRect strokeArea(200, 100, 260, 160); // in window coordinates
    const QImage before = desktop().screenshotWindow(*window);
    ASSERT_FALSE(before.isNull());
    ASSERT_EQ(countPixels(before, strokeArea, isRed), 0);

    ASSERT_TRUE(desktop().xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), *window}).ok());
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("2")}).ok());
    QThread::msleep(200);

    const int x0 = geometry->x() + 220;
    const int y0 = geometry->y() + 120;
    desktop().dragPointer(QPoint(x0, y0), QPoint(x0 + 12 * 18, y0 + 12 * 10), 12);

    const QImage after = desktop().waitForScreenshot(
        *window, [&](const QImage& s) { return countPixels(s, strokeArea, isRed) > 150; });
    ASSERT_FALSE(after.isNull());
    // The shaft from (220, 120) to (436, 240) in red, three points wide, with its head.
    EXPECT_GT(countPixels(after, strokeArea, isRed), 150);
    EXPECT_TRUE(isRed(after.pixelColor(328, 180)) || isRed(after.pixelColor(328, 179)) ||
                isRed(after.pixelColor(328, 181)))
        << "the middle of the shaft";
    EXPECT_EQ(countPixels(after, QRect(600, 300, 200, 80), isRed), 0) << "nothing drawn elsewhere";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
