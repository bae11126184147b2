// One full paint of the editor canvas during a drag: a 3840 x 2160 image with 300
// mixed annotations (5 of them mosaic areas), a freehand stroke being drawn and the
// handles of a selected annotation, into a QImage.
//
// BM_CanvasFullPaint is the canvas of a 1600 x 968 fit area showing the image
// fitted (zoom 1600 / 3840), as the editor shows a 4K capture; the displayed image
// is the copy scaled once per zoom level. BM_CanvasFullPaintActualSize paints the
// same scene at zoom 1, every pixel of the 3840 x 2160 image on the canvas. Both
// paint in bands on the machine's threads; BM_CanvasFullPaintOneThread is the
// fitted canvas painted by one thread.
#include "Models/AnnotationManager.h"
#include "Models/Palette.h"
#include "Views/AnnotationOverlay.h"
#include "Views/AnnotationOverlayBands.h"
#include "Views/CanvasGeometry.h"
#include "Views/MosaicImageCache.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

QImage photoLikeImage()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = qRgb((x * 255) / kWidth, (y * 255) / kHeight, ((x ^ y) >> 3) & 0xff);
    }
    return image;
}

struct Scene {
    QImage image = photoLikeImage();
    AnnotationManager store;
    AnnotationOverlayPreviews previews;
    SelectionHandlesLayer handles;
};

// 300 annotations: 60 hand-drawn strokes (a third tapered, a third highlighters), 50 lines,
// 50 arrows, 44 rectangles, 5 mosaic areas, 1 spotlight, 45 texts, 45 markers.
void fill(Scene& scene, double zoom)
{
    QRandomGenerator random(7);
    auto unit = [&] { return random.bounded(1.0); };
    auto point = [&] { return QPointF(unit(), unit()); };
    auto colour = [&] { return presetColors[random.bounded(int(presetColors.size()))]; };

    for (int i = 0; i < 60; ++i) {
        FreehandAnnotation stroke{.color = colour(), .lineWidth = 2.0 + i % 6,
                                  .capStyle = i % 3 == 0 ? LineCapStyle::taper : LineCapStyle::round,
                                  .isHighlighter = i % 3 == 1, .highlighterAlpha = 0.4};
        // A hand-drawn curve: 80 pointer samples about 6 pixels apart, turning gently.
        QPointF p = point() * 0.8 + QPointF(0.1, 0.1);
        double heading = unit() * 6.283;
        for (int k = 0; k < 80; ++k) {
            stroke.points.append(p);
            heading += unit() * 0.16 - 0.08;
            p += QPointF(std::cos(heading) * 0.0015, std::sin(heading) * 0.0015 * kWidth / kHeight);
        }
        scene.store.appendFreehand(stroke);
    }
    for (int i = 0; i < 50; ++i)
        scene.store.appendLine(LineAnnotation{.startPoint = point(), .endPoint = point(),
                                              .lineStyle = allCases<LineStyle>()[i % 3], .lineWidth = 3,
                                              .color = colour()});
    for (int i = 0; i < 50; ++i)
        scene.store.appendArrow(ArrowAnnotation{.startPoint = point(), .endPoint = point(), .color = colour(),
                                                .lineWidth = 4, .headStyle = allCases<ArrowHeadStyle>()[i % 3]});
    for (int i = 0; i < 44; ++i) {
        const QPointF o = point() * 0.8;
        scene.store.appendRectangle(RectangleAnnotation{
            .rect = QRectF(o, QSizeF(0.05 + unit() * 0.15, 0.05 + unit() * 0.15)),
            .shapeType = allCases<ShapeType>()[i % 3], .strokeColor = colour(),
            .fillColor = i % 4 == 0 ? std::optional<RgbaColor>(colour().withAlpha(0.3)) : std::nullopt,
            .lineWidth = 3, .cornerRadius = 8});
    }
    for (int i = 0; i < 5; ++i)
        scene.store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.05 + i * 0.18, 0.6, 0.15, 0.2),
                                                        .strokeColor = paletteRed, .lineWidth = 3,
                                                        .effect = AnnotationEffect::mosaic,
                                                        .mosaicIntensity = 1.0 + i * 2});
    scene.store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.3, 0.1, 0.4, 0.3), .strokeColor = paletteRed,
                                                    .effect = AnnotationEffect::spotlight, .spotlightDim = 0.45});
    for (int i = 0; i < 45; ++i)
        scene.store.appendText(TextAnnotation{.text = QStringLiteral("Note %1: check this value").arg(i),
                                              .position = point(), .fontSize = 28, .fontName = QStringLiteral("Arial"),
                                              .color = colour(), .width = 0.08});
    for (int i = 0; i < 45; ++i)
        scene.store.appendNumber(NumberAnnotation{.position = point(), .value = i + 1, .color = colour(),
                                                  .diameter = 28, .shape = allCases<NumberShape>()[i % 2]});
    scene.store.selectAnnotation(scene.store.rectangles().first().id);

    QList<QPointF> drag;
    for (int k = 0; k < 120; ++k)
        drag.append(QPointF((400 + k * 12) * zoom, (1500 + (k % 20) * 6) * zoom));
    scene.previews.tempFreehandPoints = drag;
    scene.previews.currentFreehandColor = paletteRed;
    scene.previews.currentFreehandLineWidth = 4;
    const QRectF r = scene.store.rectangles().first().rect;
    const double w = kWidth * zoom, h = kHeight * zoom;
    scene.handles = SelectionHandles::prepare({QPointF(r.left() * w, r.top() * h), QPointF(r.right() * w, r.top() * h),
                                               QPointF(r.left() * w, r.bottom() * h),
                                               QPointF(r.right() * w, r.bottom() * h)},
                                              std::nullopt, 1, {});
}

void paintCanvas(benchmark::State& state, double zoom, QSize canvas, bool banded = true)
{
    Scene scene;
    fill(scene, zoom);
    const Image image(scene.image);
    const QSizeF displayed(kWidth * zoom, kHeight * zoom);
    const QImage shown = zoom == 1.0 ? scene.image
                                     : scene.image.scaled(displayed.toSize(), Qt::IgnoreAspectRatio,
                                                          Qt::SmoothTransformation);
    MosaicImageCache cache;
    AnnotationOverlay overlay;
    overlay.annotations = &scene.store;
    overlay.size = displayed;
    overlay.originalImageSize = QSizeF(kWidth, kHeight);
    overlay.mosaic = {image, &cache};
    overlay.previews = &scene.previews;
    overlay.handles = &scene.handles;
    const HandleFrameTransform frame =
        CanvasGeometry::makeTransform(QSizeF(kWidth, kHeight), zoom, 0.0, QSizeF(canvas), QSizeF(0, 0));

    QImage target(canvas, QImage::Format_ARGB32_Premultiplied);
    auto paint = [&](QPainter& painter) {
        painter.fillRect(QRect(QPoint(0, 0), canvas), QColor(237, 237, 237));
        painter.setTransform(frame.painterTransform());
        painter.drawImage(QPointF(0, 0), shown);
        overlay.paint(painter);
    };
    for (auto _ : state) {
        if (banded) {
            OverlayBands::paintInBands(target, paint);
        } else {
            QPainter painter(&target);
            paint(painter);
        }
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["bands"] = banded ? OverlayBands::bandCount(canvas.height()) : 1;
    state.counters["mosaicSamplings"] = cache.samplingCount();
}

void BM_CanvasFullPaint(benchmark::State& state)
{
    paintCanvas(state, 1600.0 / kWidth, QSize(1600, 968));
}

// The same work on one thread: what the paint costs in processor time.
void BM_CanvasFullPaintOneThread(benchmark::State& state)
{
    paintCanvas(state, 1600.0 / kWidth, QSize(1600, 968), false);
}

void BM_CanvasFullPaintActualSize(benchmark::State& state)
{
    paintCanvas(state, 1.0, QSize(kWidth, kHeight));
}

} // namespace

BENCHMARK(BM_CanvasFullPaint)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_CanvasFullPaintOneThread)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_CanvasFullPaintActualSize)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
