// The editor's right-click menu and its resize and backdrop popovers, driven as a user
// drives them: a right click and the keyboard turn the image; a marker put half past the
// image's edge shows as the copy holds it; a mosaic cut by a crop and enlarged hides
// its text up to the edge; a locked width typed and applied reaches the clipboard; a
// backdrop preset saved as PNG grows the file by the padding, in the preset's colours.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QThread>

#include <cmath>

namespace {

const QColor kRed(200, 40, 40);
const QColor kGreen(40, 170, 60);
const QSize kImage(640, 400);

// The ocean preset's colour at `fraction` of the card's height, from its three stops.
QColor oceanAt(double f)
{
    const double stops[3][4] = { { 0.0, 0.659, 0.925, 0.906 }, { 0.5, 0.486, 0.78, 0.961 }, { 1.0, 0.357, 0.561, 0.976 } };
    const int i = f < 0.5 ? 0 : 1;
    const double t = (f - stops[i][0]) / 0.5;
    auto channel = [&](int c) { return int(std::lround(255.0 * (stops[i][c] + t * (stops[i + 1][c] - stops[i][c])))); };
    return QColor(channel(1), channel(2), channel(3));
}

QRect boundsOf(const QImage& shot, const QColor& colour) { return e2e::boundsOfColour(shot, shot.rect(), colour.rgb()); }

} // namespace

class EditorCompletionTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    void keys(const QString& names)
    {
        desktop().xdotool(QStringList{"key", "--delay", "60"} + names.split(' '));
        QThread::msleep(250);
    }
    void type(const QString& text) { desktop().xdotool({"type", "--delay", "40", text}); }

    // Opens the image (red left, green right) and finds the toolbar by its export
    // button, the one accent-coloured square below the window's title.
    void openEditor()
    {
        QImage image = e2e::paintedImage(kImage, [](QPainter& p, QSize s) {
            p.fillRect(0, 0, s.width() / 2, s.height(), kRed);
            p.fillRect(s.width() / 2, 0, s.width() / 2, s.height(), kGreen);
        });
        // A line of one-pixel checks, finer than any text, across rows 40 to 79.
        for (int y = 40; y < 80; ++y)
            for (int x = 0; x < kImage.width(); ++x)
                image.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        ASSERT_TRUE(desktop().startLumetraOnImage(desktop().saveImage("halves.png", image)));
        desktop().waitForScreenshot("root", [&](const QImage& s) {
            m_image = boundsOf(s, kRed) | boundsOf(s, kGreen);
            m_export = QRect();
            for (int y = std::max(0, m_image.top()); m_image.isValid() && y < s.height(); y += 2)
                for (int x = 0; x < s.width(); x += 2)
                    if (e2e::isAccent(s.pixelColor(x, y)))
                        m_export |= QRect(x, y, 1, 1);
            return m_export.width() > 20 && m_image.width() > 300;
        });
        ASSERT_GT(m_export.width(), 20) << "no toolbar found";
    }
    // Button centres left of export, 33 apart, 13 more at a divider: copy, pin, text
    // recognition, backdrop | reset, redo, undo | resize.
    QPoint button(int step) const { return QPoint(m_export.center().x() - step, m_export.center().y()); }
    // A point of the image, in its pixels, on the screen.
    QPoint onScreen(double x, double y) const
    {
        const double s = m_image.width() / double(kImage.width());
        return m_image.topLeft() + QPoint(qRound(x * s), qRound(y * s));
    }

    QRect m_image; // where the image first showed
    QRect m_export;
};

TEST_F(EditorCompletionTest, RightClickMenuTurnsTheImageByKeyboard)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    // The menu is a window of its own: it covers the image below and right of the click.
    const QPoint click = m_image.center() - QPoint(100, 100);
    desktop().click(click, 3);
    const auto covered = [&](const QImage& s) {
        return e2e::countPixels(s, QRect(click, QSize(150, 300)),
                                [](const QColor& c) { return e2e::nearColour(c, kRed, 10) || e2e::nearColour(c, kGreen, 10); })
            < 150 * 300 / 2;
    };
    EXPECT_TRUE(covered(desktop().waitForScreenshot("root", covered))) << "no menu over the image";

    // From the bottom: Quit, About, Clear, Reset, Scale, Rotate Right.
    keys("Up Up Up Up Up Up Return");
    // A clockwise quarter turn puts the left half on top.
    const auto turned = [](const QImage& s) {
        const QRect red = boundsOf(s, kRed), green = boundsOf(s, kGreen);
        return red.isValid() && green.isValid() && red.bottom() < green.top() && red.width() > red.height();
    };
    EXPECT_TRUE(turned(desktop().waitForScreenshot("root", turned)));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorCompletionTest, EdgeMarkersAndACroppedMosaicThenTheResizePopoverWithTheLock)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    const auto notGreen = [](const QColor& c) { return !e2e::nearColour(c, kGreen, 12); };
    // A marker clicked just past the right edge: the canvas shows its inner half only,
    // and so does the copy.
    keys("7");
    desktop().click(onScreen(kImage.width() + 4, 300));
    const QRect beside(m_image.right() + 2, onScreen(0, 270).y(), 30, 60); // past the edge pixel the image half covers
    const auto inside = [&](const QImage& s) { return e2e::countPixels(s, beside.adjusted(-11, 0, -31, 0), notGreen) > 50; };
    const QImage shown = desktop().waitForScreenshot("root", inside);
    EXPECT_TRUE(inside(shown));
    EXPECT_EQ(e2e::countPixels(shown, beside, [&](const QColor& c) { return c != shown.pixelColor(beside.topRight()); }), 0);
    keys("ctrl+shift+c");
    EXPECT_GT(e2e::countPixels(desktop().waitForClipboardImage([](const QImage& i) { return i.size() == kImage; }, 15000),
                               QRect(kImage.width() - 10, 270, 10, 60), notGreen), 50);

    // A mosaic over the checks, a crop whose edge runs through it, then twice the size.
    keys("8");
    ASSERT_TRUE(desktop().dragPointer(onScreen(430, 30), onScreen(610, 90), 10));
    keys("ctrl+x");
    ASSERT_TRUE(desktop().dragPointer(onScreen(2, 2), onScreen(523, 398), 10));
    keys("Return");
    desktop().click(button(5 * 33 + 13 + 3 * 33 + 13));
    // The width field, the width typed, then past the height field to Apply.
    keys("Tab ctrl+a");
    type("1000");
    keys("Tab Tab space");
    keys("ctrl+shift+c");
    const QImage enlarged = desktop().waitForClipboardImage([](const QImage& i) { return i.width() == 1000; }, 15000);
    EXPECT_NEAR(enlarged.height(), 1000 * 396 / 521, 6); // the lock keeps the cropped 521 x 396 or so
    // Along the checks, the three pixels at the cut are one mosaic cell: one colour.
    for (int y = enlarged.height() * 48 / 396; y < enlarged.height() * 74 / 396; ++y)
        EXPECT_TRUE(enlarged.pixel(999, y) == enlarged.pixel(998, y) && enlarged.pixel(998, y) == enlarged.pixel(997, y))
            << "row " << y;
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(EditorCompletionTest, BackdropPresetSavedAsPngGrowsByThePaddingInThePresetsColours)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    desktop().click(button(4 * 33));
    // The switch on; the ocean preset (the thirteenth); past candy, padding and radius
    // to the shadow switch, off.
    keys("Tab space");
    keys(QStringLiteral("Tab ").repeated(13) + "space");
    keys("Tab Tab Tab Tab space");
    keys("Escape ctrl+shift+s");

    const QString path = QDir(desktop().workDir()).filePath("card.png");
    const auto panel = desktop().waitForWindow("^Save As$", 15000);
    ASSERT_TRUE(panel.has_value()) << "no save panel";
    ASSERT_TRUE(desktop().activate(*panel));
    keys("alt+n ctrl+a");
    type(path);
    keys("Return");
    ASSERT_TRUE(desktop().waitForWindowGone("^Save As$", 10000));
    waitUntil([&] { return QFileInfo(path).size() > 0; }, 10000);

    const QImage saved(path);
    // Padding 32 on every side, no shadow margin.
    ASSERT_EQ(saved.size(), kImage + QSize(64, 64)) << "saved at " << path.toStdString();
    // The card's round corners leave the very corner clear; halfway through the
    // padding the gradient runs from the first stop at the top to the last.
    EXPECT_EQ(saved.pixelColor(0, 0).alpha(), 0);
    const int w = saved.width(), h = saved.height();
    for (const QPoint p : { QPoint(16, 16), QPoint(w - 17, 16), QPoint(16, h - 17), QPoint(w - 17, h - 17) })
        EXPECT_TRUE(e2e::nearColour(saved.pixelColor(p), oceanAt((p.y() + 0.5) / h), 4))
            << p.x() << "," << p.y() << " is " << saved.pixelColor(p).name().toStdString();
    EXPECT_TRUE(e2e::nearColour(saved.pixelColor(42, h / 2), kRed, 2)) << "the image inside";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
