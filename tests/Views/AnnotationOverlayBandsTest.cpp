#include "PixelProbe.h"
#include "Models/AnnotationManager.h"
#include "Models/Palette.h"
#include "Views/AnnotationOverlay.h"
#include "Views/AnnotationOverlayBands.h"
#include "Views/CanvasGeometry.h"

#include <gtest/gtest.h>

namespace {

// One of every kind, several crossing band boundaries, under a quarter turn.
void fillStore(AnnotationManager& store)
{
    store.appendFreehand(FreehandAnnotation{.points = {{0.1, 0.1}, {0.4, 0.9}, {0.8, 0.2}}, .color = paletteBlue,
                                            .lineWidth = 5, .capStyle = LineCapStyle::taper});
    store.appendFreehand(FreehandAnnotation{.points = {{0.2, 0.8}, {0.9, 0.1}}, .color = RgbaColor(1, 1, 0),
                                            .lineWidth = 6, .isHighlighter = true, .highlighterAlpha = 0.5});
    store.appendLine(LineAnnotation{.startPoint = {0.0, 0.5}, .endPoint = {1.0, 0.45}, .lineStyle = LineStyle::dashed,
                                    .lineWidth = 3, .color = paletteGreen, .isSelected = true});
    store.appendArrow(ArrowAnnotation{.startPoint = {0.9, 0.9}, .endPoint = {0.3, 0.2}, .color = paletteRed,
                                      .lineWidth = 4, .headStyle = ArrowHeadStyle::filled});
    store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.2, 0.3, 0.5, 0.4), .shapeType = ShapeType::circle,
                                              .strokeColor = paletteOrange, .fillColor = RgbaColor(0, 0, 1, 0.3),
                                              .lineWidth = 3});
    store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.55, 0.05, 0.4, 0.5), .effect = AnnotationEffect::mosaic,
                                              .mosaicIntensity = 6});
    store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.1, 0.6, 0.3, 0.3), .effect = AnnotationEffect::spotlight,
                                              .spotlightDim = 0.4});
    store.appendText(TextAnnotation{.text = QStringLiteral("Across the bands"), .position = {0.5, 0.5},
                                    .fontSize = 30, .color = paletteBlack, .width = 0.3});
    store.appendNumber(NumberAnnotation{.position = {0.7, 0.75}, .value = 12, .color = palettePurple,
                                        .diameter = 30, .shape = NumberShape::teardrop});
}

} // namespace

TEST(OverlayBands, bandedPaintMatchesOnePainter)
{
    QImage source(300, 400, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 300; ++x)
            source.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    AnnotationManager store;
    fillStore(store);
    AnnotationOverlay overlay;
    overlay.annotations = &store;
    overlay.size = QSizeF(300, 400);
    overlay.originalImageSize = QSizeF(600, 800);
    overlay.mosaic = {Image(source), nullptr};
    const HandleFrameTransform frame =
        CanvasGeometry::makeTransform(QSizeF(300, 400), 1.0, 90, QSizeF(500, 360), QSizeF(0, 0));
    auto paint = [&](QPainter& painter) {
        painter.fillRect(QRect(0, 0, 500, 360), Qt::gray);
        painter.setTransform(frame.painterTransform());
        painter.drawImage(QPointF(0, 0), source);
        overlay.paint(painter);
    };

    QImage single(500, 360, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&single);
        paint(painter);
    }
    QImage banded(500, 360, QImage::Format_ARGB32_Premultiplied);
    banded.fill(Qt::black);
    OverlayBands::paintInBands(banded, paint);

    ASSERT_GT(OverlayBands::bandCount(banded.height()), 1) << "this machine paints in one band";
    const PixelProbe::Difference d = PixelProbe::difference(single, banded);
    // Qt's line rasteriser rounds the edge coverage of a long stroke a little
    // differently when the stroke is cut by a band: a few levels on edge pixels only.
    EXPECT_LE(d.worst, 6);
    EXPECT_LT(d.pixels, 500 * 360 / 100);
}

TEST(OverlayBands, retinaTargetsPaintInWholeLogicalRows)
{
    QImage single(240, 300, QImage::Format_ARGB32_Premultiplied);
    single.setDevicePixelRatio(2.0);
    QImage banded = single.copy();
    banded.fill(Qt::black);
    auto paint = [](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 120, 150), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::red, 3));
        painter.drawEllipse(QRectF(10.5, 10.5, 100, 130));
    };
    {
        QPainter painter(&single);
        paint(painter);
    }
    OverlayBands::paintInBands(banded, paint);
    EXPECT_EQ(banded, single);
}
