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
#include "support/BusyCanvasScene.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using BusyCanvasScene::kHeight;
using BusyCanvasScene::kWidth;

struct Scene {
    QImage image = BusyCanvasScene::photoLikeImage();
    AnnotationManager store;
    AnnotationOverlayPreviews previews;
    SelectionHandlesLayer handles;
};

// The busy scene with one rectangle selected and a freehand stroke being drawn.
void fill(Scene& scene, double zoom)
{
    BusyCanvasScene::appendAnnotations(scene.store);
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
