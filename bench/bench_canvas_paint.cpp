// One full paint of the editor's canvas widget while the user draws: a 3840 x 2160
// image holding 300 mixed annotations (5 of them mosaic areas, one selected with its
// handles), a freehand stroke being drawn, on a canvas of 1600 x 968 with the image
// fitted as the editor shows a 4K capture. Everything goes through the widget's own
// paint path (model, pan and zoom, display copy, overlay, handles, mosaic cache).
#include "Models/AnnotationManager.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/Palette.h"
#include "Views/EditorCanvasView.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

Image photoLikeImage()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = qRgb((x * 255) / kWidth, (y * 255) / kHeight, ((x ^ y) >> 3) & 0xff);
    }
    return Image(image);
}

// 300 annotations: 60 strokes (a third tapered, a third highlighters), 50 lines, 50
// arrows, 44 rectangles, 5 mosaic areas, 1 spotlight, 45 texts, 45 markers.
void fill(AnnotationManager& store)
{
    QRandomGenerator random(11);
    auto unit = [&] { return random.bounded(1.0); };
    auto point = [&] { return QPointF(unit(), unit()); };
    auto colour = [&] { return presetColors[random.bounded(int(presetColors.size()))]; };

    for (int i = 0; i < 60; ++i) {
        FreehandAnnotation stroke{ .id = QUuid::createUuid(), .color = colour(), .lineWidth = 2.0 + i % 6,
                                   .capStyle = i % 3 == 0 ? LineCapStyle::taper : LineCapStyle::round,
                                   .isHighlighter = i % 3 == 1, .highlighterAlpha = 0.4 };
        QPointF p = point() * 0.8 + QPointF(0.1, 0.1);
        double heading = unit() * 6.283;
        for (int k = 0; k < 80; ++k) {
            stroke.points.append(p);
            heading += unit() * 0.16 - 0.08;
            p += QPointF(std::cos(heading) * 0.0015, std::sin(heading) * 0.0015 * kWidth / kHeight);
        }
        store.appendFreehand(stroke);
    }
    for (int i = 0; i < 50; ++i)
        store.appendLine(LineAnnotation{ .id = QUuid::createUuid(), .startPoint = point(), .endPoint = point(),
                                         .lineStyle = allCases<LineStyle>()[i % 3], .lineWidth = 3, .color = colour() });
    for (int i = 0; i < 50; ++i)
        store.appendArrow(ArrowAnnotation{ .id = QUuid::createUuid(), .startPoint = point(), .endPoint = point(),
                                           .color = colour(), .lineWidth = 4, .headStyle = allCases<ArrowHeadStyle>()[i % 3] });
    for (int i = 0; i < 44; ++i) {
        const QPointF o = point() * 0.8;
        store.appendRectangle(RectangleAnnotation{
            .id = QUuid::createUuid(), .rect = QRectF(o, QSizeF(0.05 + unit() * 0.15, 0.05 + unit() * 0.15)),
            .shapeType = allCases<ShapeType>()[i % 3], .strokeColor = colour(),
            .fillColor = i % 4 == 0 ? std::optional<RgbaColor>(colour()) : std::nullopt, .lineWidth = 3,
            .cornerRadius = 8 });
    }
    for (int i = 0; i < 5; ++i)
        store.appendRectangle(RectangleAnnotation{ .id = QUuid::createUuid(),
                                                   .rect = QRectF(0.05 + i * 0.18, 0.6, 0.15, 0.2),
                                                   .strokeColor = paletteRed, .lineWidth = 3,
                                                   .effect = AnnotationEffect::mosaic, .mosaicIntensity = 1.0 + i * 2 });
    store.appendRectangle(RectangleAnnotation{ .id = QUuid::createUuid(), .rect = QRectF(0.3, 0.1, 0.4, 0.3),
                                               .strokeColor = paletteRed, .effect = AnnotationEffect::spotlight,
                                               .spotlightDim = 0.45 });
    for (int i = 0; i < 45; ++i)
        store.appendText(TextAnnotation{ .id = QUuid::createUuid(),
                                         .text = QStringLiteral("Note %1: check this value").arg(i),
                                         .position = point(), .fontSize = 28, .fontName = QStringLiteral("Arial"),
                                         .color = colour(), .width = 0.08 });
    for (int i = 0; i < 45; ++i)
        store.appendNumber(NumberAnnotation{ .id = QUuid::createUuid(), .position = point(), .value = i + 1,
                                             .color = colour(), .diameter = 28, .shape = allCases<NumberShape>()[i % 2] });
}

void BM_CanvasWidgetPaintDuringDrag(benchmark::State& state)
{
    ImageEditorViewModel model;
    const QSize canvasSize(1600, 968);
    EditorCanvasView canvas(&model);
    canvas.resize(canvasSize);
    canvas.show();
    QCoreApplication::processEvents();
    model.setLoadedImage(photoLikeImage(), QUrl::fromLocalFile(QStringLiteral("/tmp/capture.png")));
    fill(*model.annotationManager());
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
    model.setLoadedImage(photoLikeImage(), QUrl::fromLocalFile(QStringLiteral("/tmp/capture.png")));
    fill(*model.annotationManager());
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
