// One full paint of the editor's canvas widget while the user draws: a 3840 x 2160
// image holding 300 mixed annotations (5 of them mosaic areas, one selected with its
// handles), a freehand stroke being drawn, on a canvas of 1600 x 968 with the image
// fitted as the editor shows a 4K capture. Everything goes through the widget's own
// paint path (model, pan and zoom, display copy, overlay, handles, mosaic cache).
#include "Models/AnnotationManager.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/Palette.h"
#include "Views/EditorCanvasView.h"
#include "support/BusyCanvasScene.h"

#include <QImage>
#include <QPainter>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_CanvasWidgetPaintDuringDrag(benchmark::State& state)
{
    ImageEditorViewModel model;
    const QSize canvasSize(1600, 968);
    EditorCanvasView canvas(&model);
    canvas.resize(canvasSize);
    canvas.show();
    QCoreApplication::processEvents();
    model.setLoadedImage(Image(BusyCanvasScene::photoLikeImage()),
                         QUrl::fromLocalFile(QStringLiteral("/tmp/capture.png")));
    BusyCanvasScene::appendAnnotations(*model.annotationManager());
    // One selected rectangle shows its four handles.
    model.annotationManager()->selectAnnotation(model.annotationManager()->rectangles().first().id);

    // A freehand stroke is being drawn: 120 pointer samples so far.
    model.selectTool(ToolType::freehand);
    const QSizeF shown = canvas.scaledSize();
    const QSizeF original = model.originalImageSize();
    const QPointF start(shown.width() * 0.1, shown.height() * 0.7);
    for (int k = 0; k < 120; ++k)
        model.handleDragChanged(start, start + QPointF(k * 5.0, (k % 20) * 3.0), shown, original);

    QImage target(canvasSize, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter warm(&target);
        canvas.paintCanvas(warm); // the first paint makes the display copy and mosaic cells
    }
    for (auto _ : state) {
        QPainter painter(&target);
        canvas.paintCanvas(painter);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["zoom"] = model.zoomLevel();
    state.counters["layer rebuilds"] = canvas.layerRebuildCount();
    state.counters["preview points"] = model.tempFreehandPoints() ? double(model.tempFreehandPoints()->size()) : 0.0;
}

// The same canvas while the selected annotation is dragged about: every pointer move
// changes a committed annotation, so every paint redraws the whole picture.
void BM_CanvasWidgetPaintWhileMovingAnAnnotation(benchmark::State& state)
{
    ImageEditorViewModel model;
    const QSize canvasSize(1600, 968);
    EditorCanvasView canvas(&model);
    canvas.resize(canvasSize);
    canvas.show();
    QCoreApplication::processEvents();
    model.setLoadedImage(Image(BusyCanvasScene::photoLikeImage()),
                         QUrl::fromLocalFile(QStringLiteral("/tmp/capture.png")));
    BusyCanvasScene::appendAnnotations(*model.annotationManager());
    const QUuid moved = model.annotationManager()->rectangles().first().id;
    model.annotationManager()->selectAnnotation(moved);
    const QSizeF shown = canvas.scaledSize();

    QImage target(canvasSize, QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        model.annotationManager()->moveAnnotation(moved, (step++ % 2) ? 3.0 : -3.0, 1.0, shown.width(), shown.height());
        QPainter painter(&target);
        canvas.paintCanvas(painter);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["layer rebuilds"] = canvas.layerRebuildCount();
}

} // namespace

BENCHMARK(BM_CanvasWidgetPaintWhileMovingAnAnnotation)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_CanvasWidgetPaintDuringDrag)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
