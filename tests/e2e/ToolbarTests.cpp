// The floating toolbar on a real X server: it shows below a fitted image, a tool button
// and a drag draw that tool's annotation, the crop button, a drag and a double click crop
// the image and keep the annotation.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QThread>

#include <functional>
#include <optional>

namespace {

using namespace e2e;

// The editor window's canvas is 900 x 418 points. Fitted images stand above the bar's
// band (its inset, its height and 8 points of room), so an image of the size left
// shows at zoom 1 and fills that area.
constexpr int kCanvasHeight = 418;
constexpr int kBarBand = kBottomInset + kBarHeight + 8;
const QSize kCanvasImage(900, kCanvasHeight - kBarBand);

int brightness(const QColor& c) { return (c.red() + c.green() + c.blue()) / 3; }

// The bar's right end: its last button (export, or the crop bar's confirm) is the
// accent-coloured square, 10 points in from the end. The bar is centred, which gives
// its left end. Found along the bar's middle row.
struct BarSpan {
    int left = -1;
    int right = -1; // exclusive
    int centreY = 0;
};

BarSpan findBar(const QImage& shot, int windowHeight)
{
    BarSpan span;
    span.centreY = windowHeight - kInformationBar - kBottomInset - kBarHeight / 2;
    for (int x = shot.width() - 1; x >= shot.width() / 2; --x)
        if (isAccent(shot.pixelColor(x, span.centreY))) {
            span.right = x + 1 + 10;
            span.left = shot.width() - span.right;
            break;
        }
    return span;
}

// Button centres counted from the bar's right end, which no text width moves: export,
// copy, pin, text recognition, backdrop | reset, redo, undo | resize, crop | the tools.
int crossFromRight(const BarSpan& bar, int step) { return bar.right - 10 - 14 - step; }
int cropButtonX(const BarSpan& bar) { return crossFromRight(bar, 5 * 33 + 13 + 3 * 33 + 13 + 33); }
int toolButtonX(const BarSpan& bar, int indexFromLine)
{
    const int spotlight = crossFromRight(bar, 5 * 33 + 13 + 3 * 33 + 13 + 2 * 33 + 13);
    return spotlight - (8 - indexFromLine) * 33;
}

} // namespace

class ToolbarEndToEnd : public DesktopTest {
protected:
    // Starts Lumetra on the image and waits until the bar is drawn over it.
    void openEditor(const QString& name, QSize size, const std::function<void(QPainter&, QSize)>& draw)
    {
        const auto found = desktop().startLumetraOnImage(desktop().saveImage(name, paintedImage(size, draw)));
        ASSERT_TRUE(found.has_value()) << desktop().errorString().toStdString();
        m_window = *found;
        const auto g = desktop().windowGeometry(m_window);
        ASSERT_TRUE(g.has_value());
        m_geometry = *g;
        m_shot = desktop().waitForScreenshot(m_window, [&](const QImage& shot) {
            m_bar = findBar(shot, m_geometry.height());
            return m_bar.left >= 0 && m_bar.right - m_bar.left > 500;
        });
    }

    // At a point of the window.
    void click(int x, int y, int count = 1) { desktop().click(m_geometry.topLeft() + QPoint(x, y), 1, count); }

    void drag(QPoint from, QPoint to)
    {
        desktop().dragPointer(m_geometry.topLeft() + from, m_geometry.topLeft() + to, 12);
        QThread::msleep(200);
    }

    QString m_window;
    QRect m_geometry;
    BarSpan m_bar;
    QImage m_shot;
};

TEST_F(ToolbarEndToEnd, AFittedImageEndsAboveTheBarCentredBelowIt)
{
    // A 1200 x 800 image in the default window, its last 40 rows magenta: fitted, the
    // whole of it stands above the bar, none of it under.
    auto isMagenta = [](const QColor& c) { return c.red() > 150 && c.blue() > 150 && c.green() < 60; };
    openEditor(QStringLiteral("tall.png"), QSize(1200, 800), [](QPainter& p, QSize s) {
        p.fillRect(QRect(QPoint(0, 0), s), QColor(25, 35, 80));
        p.fillRect(QRect(0, s.height() - 40, s.width(), 40), QColor(200, 0, 200));
    });
    ASSERT_FALSE(m_shot.isNull());
    ASSERT_GE(m_bar.left, 0) << "no export button along y " << m_bar.centreY;
    const int canvasTop = m_geometry.height() - kInformationBar - kCanvasHeight;
    const int barTop = m_bar.centreY - kBarHeight / 2;
    int above = 0, elsewhere = 0;
    for (int y = canvasTop; y < m_geometry.height() - kInformationBar; ++y)
        if (isMagenta(m_shot.pixelColor(m_geometry.width() / 2, y)))
            ++(y < barTop ? above : elsewhere);
    EXPECT_GT(above, 10) << "the image's last rows show above the bar";
    EXPECT_EQ(elsewhere, 0) << "nothing of the image is under or below the bar";

    // The bar on the canvas: its outline and shadow darken the canvas as far on the left
    // as on the right; its symbols are dark.
    int left = -1, right = -1;
    for (int x = 0; x < m_shot.width(); ++x)
        if (brightness(m_shot.pixelColor(x, m_bar.centreY)) < 200) {
            right = x + 1;
            if (left < 0)
                left = x;
        }
    EXPECT_GT(right - left, 600);
    EXPECT_LE(std::abs(left + right - m_geometry.width()), 3) << "centred";
    EXPECT_GT(countPixels(m_shot, QRect(left, m_bar.centreY - 8, right - left, 16),
                          [](const QColor& c) { return brightness(c) < 110; }),
              200);
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ToolbarEndToEnd, ACropKeepsAMosaicOverWhatItHides)
{
    // Fine stripes a mosaic turns into flat cells; the crop must not bring them back.
    openEditor(QStringLiteral("stripes.png"), kCanvasImage, [](QPainter& p, QSize s) {
        p.fillRect(QRect(QPoint(0, 0), s), Qt::white);
        for (int x = 0; x < s.width(); x += 2)
            p.fillRect(QRect(x, 0, 1, s.height()), Qt::black);
    });
    ASSERT_GE(m_bar.left, 0);
    const QPoint origin(0, m_geometry.height() - kInformationBar - kCanvasHeight);
    click(toolButtonX(m_bar, 7), m_bar.centreY); // mosaic
    drag(origin + QPoint(300, 100), origin + QPoint(500, 200));
    click(cropButtonX(m_bar), m_bar.centreY);
    drag(origin + QPoint(250, 60), origin + QPoint(550, 250));
    click(origin.x() + 400, origin.y() + 150, 2);
    QThread::msleep(400);
    desktop().key(QStringLiteral("ctrl+shift+c"));

    const QImage copied = desktop().waitForClipboardImage([](const QImage& image) { return image.width() == 300; });
    ASSERT_EQ(copied.size(), QSize(300, 190)) << "the copy is the cropped image";
    // Along a row through the mosaic (50...250 of the crop) the colour changes only at
    // cell edges; the bare stripes beside it change at every pixel.
    const auto changes = [&](int from, int to) {
        int count = 0;
        for (int x = from + 1; x < to; ++x)
            count += copied.pixel(x, 90) != copied.pixel(x - 1, 90);
        return count;
    };
    EXPECT_LT(changes(60, 240), 30) << "the mosaic is still over the stripes";
    EXPECT_GT(changes(2, 45), 30) << "beside it the stripes are bare";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
