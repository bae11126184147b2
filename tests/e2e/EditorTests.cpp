// The editor as a user meets it on a real X server: an image named on the command line
// shows in the window, and the arrow tool's key followed by a pointer drag draws an arrow.
#include "XvfbDesktop.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QThread>

#include <functional>

namespace {

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

std::optional<WindowGeometry> geometryOf(XvfbDesktop& desktop, const QString& window)
{
    const CommandResult result =
        desktop.xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    if (!result.ok())
        return std::nullopt;
    WindowGeometry g;
    for (const QString& line : result.text().split(QLatin1Char('\n'))) {
        const QString value = line.section(QLatin1Char('='), 1);
        if (line.startsWith(QStringLiteral("X=")))
            g.x = value.toInt();
        else if (line.startsWith(QStringLiteral("Y=")))
            g.y = value.toInt();
        else if (line.startsWith(QStringLiteral("WIDTH=")))
            g.width = value.toInt();
        else if (line.startsWith(QStringLiteral("HEIGHT=")))
            g.height = value.toInt();
    }
    return g;
}

bool isRed(const QColor& c) { return c.red() > 200 && c.green() < 70 && c.blue() < 70; }

int redPixelsIn(const QImage& image, const QRect& area)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isRed(image.pixelColor(x, y)))
                ++n;
    return n;
}

// The editor leaves 32 points at the bottom for its information bar.
constexpr int kInformationBar = 32;

} // namespace

class EditorTest : public DesktopTest {
protected:
    QString writeImage(const QString& name, const std::function<void(QPainter&, QSize)>& draw, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        draw(painter, size);
        painter.end();
        const QString path = QDir(desktop().workDir()).filePath(name);
        image.save(path, "PNG");
        return path;
    }
};

TEST_F(EditorTest, ImageNamedOnTheCommandLineIsShown)
{
    const QString path = writeImage(QStringLiteral("halves.png"), [](QPainter& p, QSize s) {
        p.fillRect(QRect(0, 0, s.width() / 2, s.height()), QColor(0, 180, 0));
        p.fillRect(QRect(s.width() / 2, 0, s.width() - s.width() / 2, s.height()), QColor(0, 0, 200));
    }, QSize(1200, 800));

    ASSERT_TRUE(desktop().startLumetra({path})) << desktop().errorString().toStdString();
    const auto window = desktop().waitForWindow(QStringLiteral("^Lumetra - halves\\.png$"), 30000);
    ASSERT_TRUE(window.has_value()) << "stdout: " << desktop().lumetraOutput().toStdString()
                                    << "\nstderr: " << desktop().lumetraErrors().toStdString();
    const auto geometry = geometryOf(desktop(), *window);
    ASSERT_TRUE(geometry.has_value());

    // The image is fitted into the canvas and centred: green left of the middle, blue right.
    QImage shot;
    const int midY = (geometry->height - kInformationBar) / 2;
    for (int attempt = 0; attempt < 20; ++attempt) {
        shot = desktop().screenshotWindow(*window);
        if (!shot.isNull() && shot.pixelColor(geometry->width / 2 - 30, midY) == QColor(0, 180, 0))
            break;
        QThread::msleep(250);
    }
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixelColor(geometry->width / 2 - 30, midY), QColor(0, 180, 0));
    EXPECT_EQ(shot.pixelColor(geometry->width / 2 + 30, midY), QColor(0, 0, 200));
    // 1200 x 800 fitted into 900 x 418: 627 wide, so the window's edges show the canvas.
    EXPECT_NE(shot.pixelColor(5, midY), QColor(0, 180, 0));
    EXPECT_NE(shot.pixelColor(geometry->width - 5, midY), QColor(0, 0, 200));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorTest, ArrowKeyThenPointerDragDrawsAnArrow)
{
    const QString path = writeImage(QStringLiteral("paper.png"), [](QPainter& p, QSize s) {
        p.fillRect(QRect(QPoint(0, 0), s), QColor(235, 235, 235));
    }, QSize(800, 400));
    ASSERT_TRUE(desktop().startLumetra({path})) << desktop().errorString().toStdString();
    const auto window = desktop().waitForWindow(QStringLiteral("^Lumetra - paper\\.png$"), 30000);
    ASSERT_TRUE(window.has_value()) << desktop().lumetraErrors().toStdString();
    const auto geometry = geometryOf(desktop(), *window);
    ASSERT_TRUE(geometry.has_value());
    QThread::msleep(500);

    const QRect strokeArea(200, 100, 260, 160); // in window coordinates
    const QImage before = desktop().screenshotWindow(*window);
    ASSERT_FALSE(before.isNull());
    ASSERT_EQ(redPixelsIn(before, strokeArea), 0);

    ASSERT_TRUE(desktop().xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), *window}).ok());
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("2")}).ok());
    QThread::msleep(200);

    const int x0 = geometry->x + 220;
    const int y0 = geometry->y + 120;
    desktop().xdotool({QStringLiteral("mousemove"), QString::number(x0), QString::number(y0)});
    desktop().xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int i = 1; i <= 12; ++i)
        desktop().xdotool({QStringLiteral("mousemove"), QString::number(x0 + i * 18), QString::number(y0 + i * 10)});
    desktop().xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});

    QImage after;
    for (int attempt = 0; attempt < 20; ++attempt) {
        QThread::msleep(200);
        after = desktop().screenshotWindow(*window);
        if (!after.isNull() && redPixelsIn(after, strokeArea) > 150)
            break;
    }
    ASSERT_FALSE(after.isNull());
    // The shaft from (220, 120) to (436, 240) in red, three points wide, with its head.
    EXPECT_GT(redPixelsIn(after, strokeArea), 150);
    EXPECT_TRUE(isRed(after.pixelColor(328, 180)) || isRed(after.pixelColor(328, 179)) ||
                isRed(after.pixelColor(328, 181)))
        << "the middle of the shaft";
    EXPECT_EQ(redPixelsIn(after, QRect(600, 300, 200, 80)), 0) << "nothing drawn elsewhere";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
