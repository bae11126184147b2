#include "Views/PanelStyleIcons.h"

#include "Core/AppTheme.h"
#include "Core/AppThemeColors.h"
#include "Views/PixelProbe.h"
#include "Views/PropertyPanelControls.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr qreal kZoom = 8.0; // templates probed at 8 pixels a point

int alphaAt(const QImage& image, double xPoints, double yPoints)
{
    const int x = std::clamp(int(std::floor(xPoints * kZoom)), 0, image.width() - 1);
    const int y = std::clamp(int(std::floor(yPoints * kZoom)), 0, image.height() - 1);
    return qAlpha(image.pixel(x, y));
}

// The rows and columns (in pixels) that hold any ink.
QRect inkRect(const QImage& image)
{
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 64) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

const QList<PanelStyleIcon> kIcons = { PanelStyleIcon::dashedLine, PanelStyleIcon::dottedEndpoints,
                                       PanelStyleIcon::circle, PanelStyleIcon::teardrop };
const QList<PanelSymbol> kSymbols = { PanelSymbol::chevronRight, PanelSymbol::arrowTriangleRightFill,
                                      PanelSymbol::circleFill,   PanelSymbol::rectangleFill,
                                      PanelSymbol::triangleFill, PanelSymbol::lineDiagonal,
                                      PanelSymbol::rectangle,    PanelSymbol::rectangleRoundedTop,
                                      PanelSymbol::circle };

// The largest lightness difference between any pixel and the background.
int strongestContrast(const QImage& image, const QColor& background)
{
    int best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            best = std::max(best, std::abs(image.pixelColor(x, y).lightness() - background.lightness()));
    return best;
}

} // namespace

TEST(PanelStyleIconDrawing, TemplatesAreBlackSixteenPointsAndBuiltOnce)
{
    for (PanelStyleIcon icon : kIcons) {
        const QImage first = PanelStyleIcons::templateImage(icon, 2.0);
        EXPECT_EQ(first.size(), QSize(32, 32));
        EXPECT_DOUBLE_EQ(first.devicePixelRatio(), 2.0);
        // The cache hands out the same pixels, not a new drawing.
        EXPECT_EQ(PanelStyleIcons::templateImage(icon, 2.0).cacheKey(), first.cacheKey());
        const QRect ink = inkRect(first);
        ASSERT_TRUE(ink.isValid());
        const QColor centreOfInk = first.pixelColor(ink.center());
        if (centreOfInk.alpha() == 255)
            EXPECT_EQ(centreOfInk.rgb() & 0xffffff, 0u);
        // Tinting keeps the shape and replaces the colour.
        const QImage tinted = PanelStyleIcons::tintedImage(icon, QColor(200, 30, 40), 2.0);
        EXPECT_EQ(inkRect(tinted), ink);
        const QColor tintedCentre = tinted.pixelColor(ink.center());
        if (tintedCentre.alpha() == 255)
            EXPECT_EQ(tintedCentre, QColor(200, 30, 40));
    }
}

TEST(PanelStyleIconDrawing, TeardropFillsTheHeightWithItsTailDownAndTheCircleMatchesIt)
{
    const QImage teardrop = PanelStyleIcons::templateImage(PanelStyleIcon::teardrop, kZoom);
    const QImage circle = PanelStyleIcons::templateImage(PanelStyleIcon::circle, kZoom);
    const QRect tear = inkRect(teardrop);
    const QRect round = inkRect(circle);
    // Touches the top and bottom edges of the 16-point square.
    EXPECT_LE(tear.top(), 1);
    EXPECT_GE(tear.bottom(), teardrop.height() - 2);
    // Tail down: near the bottom the shape is narrow, near the top wide.
    auto widthOfRow = [](const QImage& image, int y) {
        int n = 0;
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128;
        return n;
    };
    EXPECT_LT(widthOfRow(teardrop, tear.bottom() - 4), widthOfRow(teardrop, tear.top() + 16));
    // The circle: same diameter (16 / 1.3 points), centred.
    const double diameter = 16.0 / 1.3 * kZoom;
    EXPECT_NEAR(round.width(), diameter, 2.0);
    EXPECT_NEAR(round.height(), diameter, 2.0);
    EXPECT_NEAR(round.center().x(), 8.0 * kZoom, 1.5);
    EXPECT_NEAR(round.center().y(), 8.0 * kZoom, 1.5);
    EXPECT_NEAR(tear.width(), diameter, 2.0);
}

TEST(PanelStyleIconDrawing, DashedLineIsBrokenAndDottedLineIsWholeWithDotsOnItsEnds)
{
    // Both rise from the lower left to the upper right.
    const QImage dashed = PanelStyleIcons::templateImage(PanelStyleIcon::dashedLine, kZoom);
    const QImage dotted = PanelStyleIcons::templateImage(PanelStyleIcon::dottedEndpoints, kZoom);
    int dashedGaps = 0;
    for (double t = 4.0; t <= 12.0; t += 0.25) {
        dashedGaps += alphaAt(dashed, t, 16.0 - t) < 60;
        EXPECT_GT(alphaAt(dotted, t, 16.0 - t), 200) << t;
    }
    EXPECT_GT(dashedGaps, 4);
    EXPECT_EQ(alphaAt(dashed, 3.5, 3.5), 0);
    EXPECT_EQ(alphaAt(dashed, 12.5, 12.5), 0);
    // Across the line (1.4 points off it) only the dots are inked.
    const double off = 1.4 / std::sqrt(2.0);
    EXPECT_GT(alphaAt(dotted, 2.6 + off, 13.4 + off), 128);
    EXPECT_GT(alphaAt(dotted, 13.4 + off, 2.6 + off), 128);
    EXPECT_LT(alphaAt(dotted, 8.0 + off, 8.0 + off), 30);
}

TEST(PanelStyleIconDrawing, EveryImageReadsInLightAndDarkOnPanelAndSelectedSegment)
{
    for (const QPalette& palette : { AppThemes::lightPalette(), AppThemes::darkPalette() }) {
        const bool dark = isDarkPalette(palette);
        const QColor ink = palette.color(QPalette::WindowText);
        // The panel itself, and the thumb of a selected segment.
        const QList<QColor> grounds = { palette.color(QPalette::Window),
                                        dark ? QColor(100, 100, 100) : QColor(255, 255, 255) };
        for (const QColor& ground : grounds) {
            for (PanelStyleIcon icon : kIcons) {
                QImage image = PixelProbe::blank(16, 16, ground);
                QPainter painter(&image);
                paintPanelStyleIcon(painter, QRectF(1, 1, 14, 14), icon, ink);
                painter.end();
                EXPECT_GT(strongestContrast(image, ground), 90) << int(icon) << (dark ? " dark" : " light");
            }
            for (PanelSymbol symbol : kSymbols) {
                QImage image = PixelProbe::blank(16, 16, ground);
                QPainter painter(&image);
                paintPanelSymbol(painter, QRectF(0.5, 0.5, 15, 15), symbol, ink);
                painter.end();
                EXPECT_GT(strongestContrast(image, ground), 90) << int(symbol) << (dark ? " dark" : " light");
            }
        }
    }
}

TEST(PanelStyleIconDrawing, SegmentedPickerShowsItsIconsInBothAppearances)
{
    const QList<PanelOption> options = {
        { [](QPainter& p, const QRectF& f, const QColor& c) { paintPanelStyleIcon(p, f, PanelStyleIcon::circle, c); }, {} },
        { [](QPainter& p, const QRectF& f, const QColor& c) { paintPanelStyleIcon(p, f, PanelStyleIcon::teardrop, c); }, {} },
    };
    for (const QPalette& palette : { AppThemes::lightPalette(), AppThemes::darkPalette() }) {
        QWidget host;
        host.setPalette(palette);
        host.setAutoFillBackground(true);
        auto* picker = new PanelSegmentedPicker(options, 120, &host);
        picker->setSelectedIndex(1);
        host.resize(120, PanelSegmentedPicker::height);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        const QImage shot = host.grab().toImage();
        const QColor background = palette.color(QPalette::Window);
        // Each half holds its icon, visibly different from the panel behind it.
        for (int half = 0; half < 2; ++half) {
            const QImage segment = shot.copy(half * 60 + 20, 4, 20, 16);
            EXPECT_GT(strongestContrast(segment, background), 90) << half << (isDarkPalette(palette) ? " dark" : " light");
        }
    }
}
