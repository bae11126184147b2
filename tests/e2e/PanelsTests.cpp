// The tool property panels as a user meets them on a real X server: the line tool's
// popover opens from its toolbar button, a colour and a width are chosen in it, and the
// line drawn next shows that colour at that width.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QThread>

#include <functional>

namespace {

using e2e::boundsOfColour;

// The bounding box of the pixels inside `area` where two screenshots differ.
QRect changedArea(const QImage& before, const QImage& after, const QRect& area)
{
    QRect box;
    const QRect r = area.intersected(before.rect()).intersected(after.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool isPureBlue(const QColor& c) { return c.red() < 40 && c.green() < 40 && c.blue() > 215; }

// How many pixels of the column x, from y0 to y1, are pure blue.
int blueRun(const QImage& image, int x, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        if (isPureBlue(image.pixelColor(x, y)))
            ++n;
    return n;
}

} // namespace

class PanelsTest : public DesktopTest {
protected:
    // Screenshots are kept in LUMETRA_E2E_SHOTS when it names a folder (to look at them
    // after the run), else in the test's scratch folder.
    QString shotPath(const QString& name)
    {
        const QString folder = qEnvironmentVariable("LUMETRA_E2E_SHOTS", desktop().workDir());
        return QDir(folder).filePath(name);
    }
    bool xdo(const QStringList& arguments) { return desktop().xdotool(arguments).ok(); }
    void clickAt(const QPoint& global)
    {
        xdo({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
        QThread::msleep(100);
        xdo({QStringLiteral("click"), QStringLiteral("1")});
        QThread::msleep(300);
    }
    // Polls the whole screen until `ready` holds (or gives up and returns the last shot).
    QImage screenWhen(const std::function<bool(const QImage&)>& ready)
    {
        return desktop().waitForScreenshot(QStringLiteral("root"), ready);
    }
};

TEST_F(PanelsTest, LinePopoverChoosesColourAndWidthForTheNextLine)
{
    QImage paper(800, 400, QImage::Format_RGB32);
    paper.fill(QColor(235, 235, 235));
    const QString path = desktop().saveImage(QStringLiteral("paper.png"), paper);
    ASSERT_FALSE(path.isEmpty());
    const auto window = desktop().startLumetraOnImage(path);
    ASSERT_TRUE(window.has_value()) << desktop().errorString().toStdString() << desktop().lumetraErrors().toStdString();
    const auto g = desktop().windowGeometry(*window);
    ASSERT_TRUE(g.has_value());
    const QRect windowRect = *g;
    QThread::msleep(800);

    // The line tool's key highlights its toolbar button: the only change in the bar.
    ASSERT_TRUE(xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), *window}));
    const QImage before = desktop().screenshot();
    ASSERT_TRUE(xdo({QStringLiteral("key"), QStringLiteral("1")}));
    const QRect barBand(windowRect.left(), windowRect.bottom() - 140, windowRect.width(), 140);
    const QImage highlighted = screenWhen([&](const QImage& s) { return changedArea(before, s, barBand).isValid(); });
    const QRect button = changedArea(before, highlighted, barBand);
    ASSERT_TRUE(button.isValid()) << "selecting the line tool changed nothing in the toolbar";
    EXPECT_LE(button.width(), 40);
    EXPECT_LE(button.height(), 40);

    // A click on the current tool's button opens its panel above the bar.
    clickAt(button.center());
    const QRect above(0, 0, desktop().screenSize().width(), button.top());
    int blueCount = 0;
    const QImage withPanel = screenWhen([&](const QImage& s) {
        boundsOfColour(s, above, qRgb(0, 0, 255), &blueCount);
        return blueCount > 300; // the 24-point blue swatch
    });
    const QRect blueSwatch = boundsOfColour(withPanel, above, qRgb(0, 0, 255), &blueCount);
    ASSERT_GT(blueCount, 300) << "no panel with a blue swatch appeared";
    // 24 points, less its antialiased rim.
    EXPECT_NEAR(blueSwatch.width(), 22, 3);
    EXPECT_NEAR(blueSwatch.height(), 22, 3);
    withPanel.save(shotPath(QStringLiteral("panel.png")));

    // The width slider's filled track lies above the colour row, in the accent colour;
    // a click at its start focuses it and End takes it to 12.
    QRect track;
    auto isAccent = [](const QColor& c) { return c.blue() > 200 && c.red() < 40 && c.green() > 100 && c.green() < 150; };
    for (int y = blueSwatch.top() - 8; y > blueSwatch.top() - 120 && !track.isValid(); --y) {
        int run = 0;
        for (int x = blueSwatch.left() - 80; x < blueSwatch.right() + 80; ++x) {
            run = isAccent(withPanel.pixelColor(x, y)) ? run + 1 : 0;
            if (run == 6) {
                track = QRect(x - 5, y, 6, 1);
                break;
            }
        }
    }
    ASSERT_TRUE(track.isValid()) << "no slider found above the swatches";
    clickAt(QPoint(track.left() + 2, track.top()));
    ASSERT_TRUE(xdo({QStringLiteral("key"), QStringLiteral("End")}));
    QThread::msleep(200);
    clickAt(blueSwatch.center());

    // The panel shows the choice: the blue swatch is ringed.
    const QRect swatchArea = blueSwatch.adjusted(-4, -4, 4, 4);
    const QImage chosen = screenWhen([&](const QImage& s) { return changedArea(withPanel, s, swatchArea).isValid(); });
    chosen.save(shotPath(QStringLiteral("chosen.png")));
    EXPECT_TRUE(changedArea(withPanel, chosen, swatchArea).isValid()) << "the blue swatch did not get its ring";

    // Escape closes the popover; the next drag draws a line in blue, 12 points wide.
    ASSERT_TRUE(xdo({QStringLiteral("key"), QStringLiteral("Escape")}));
    QThread::msleep(300);
    const int x0 = g->x() + 200;
    const int y0 = g->y() + 150;
    desktop().dragPointer(QPoint(x0, y0), QPoint(x0 + 10 * 30, y0), 10);

    const int probeX = x0 + 150;
    const QImage drawn = screenWhen([&](const QImage& s) { return blueRun(s, probeX, y0 - 30, y0 + 30) >= 10; });
    drawn.save(shotPath(QStringLiteral("drawn.png")));
    const int thickness = blueRun(drawn, probeX, y0 - 30, y0 + 30);
    EXPECT_GE(thickness, 11) << "a 12-point blue line was expected, saw " << thickness << " blue pixels";
    EXPECT_LE(thickness, 13);
    EXPECT_EQ(blueRun(drawn, x0 + 400, y0 - 30, y0 + 30), 0) << "nothing beyond the line's end";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
