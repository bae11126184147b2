// Annotation model hot paths: the pointer hit test over a busy image, mosaic
// pixelation of a large region, and the tapered freehand stroke.
#include "Models/AnnotationGeometry.h"
#include "Models/AnnotationManager.h"
#include "Models/Mosaic.h"
#include "Models/Palette.h"
#include "Models/TextMeasurement.h"

#include <QPainterPath>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

const QSizeF canvasSize(1600, 1000);
const QSizeF imageSize(3200, 2000);

// 1,000 annotations, about a sixth of each kind, spread over the image; every
// text has its own words.
void fillStore(AnnotationManager& store)
{
    QRandomGenerator random(42);
    auto unit = [&random] { return random.generateDouble(); };
    for (int i = 0; i < 1000; ++i) {
        const QPointF at(unit(), unit());
        switch (i % 6) {
        case 0:
            store.appendArrow(ArrowAnnotation{.startPoint = at, .endPoint = at + QPointF(0.1 * unit(), 0.1 * unit()),
                                              .color = paletteRed, .lineWidth = 3});
            break;
        case 1:
            store.appendRectangle(RectangleAnnotation{.rect = QRectF(at, QSizeF(0.2 * unit(), 0.2 * unit())),
                                                      .strokeColor = paletteBlue, .lineWidth = 2});
            break;
        case 2:
            store.appendText(TextAnnotation{.text = QStringLiteral("Note %1: check this part").arg(i),
                                            .position = at, .fontSize = double(16 + i % 5 * 4),
                                            .fontName = QStringLiteral("DejaVu Sans"), .color = paletteBlack,
                                            .width = 0.05 + 0.1 * unit()});
            break;
        case 3: {
            QList<QPointF> points;
            QPointF p = at;
            for (int k = 0; k < 40; ++k) {
                p += QPointF((unit() - 0.5) * 0.01, (unit() - 0.5) * 0.01);
                points.append(p);
            }
            store.appendFreehand(FreehandAnnotation{.points = points, .color = paletteGreen, .lineWidth = 4});
            break;
        }
        case 4:
            store.appendLine(LineAnnotation{.startPoint = at, .endPoint = at + QPointF(0.1 * unit(), -0.05 * unit()),
                                            .lineWidth = 2, .color = paletteOrange});
            break;
        case 5:
            store.appendNumber(NumberAnnotation{.position = at, .value = i, .color = paletteRed, .diameter = 28,
                                                .shape = i % 2 ? NumberShape::teardrop : NumberShape::circle});
            break;
        }
    }
}

void BM_HitTestAtAPoint(benchmark::State& state)
{
    AnnotationManager store;
    fillStore(store);
    const QPointF point(800, 500);
    benchmark::DoNotOptimize(store.hitTestAnnotation(point, canvasSize, imageSize));  // fills the text cache
    for (auto _ : state)
        benchmark::DoNotOptimize(store.hitTestAnnotation(point, canvasSize, imageSize));
}
BENCHMARK(BM_HitTestAtAPoint)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The pointer wandering over a 4 x 4 grid of places, as while hovering.
void BM_HitTestSixteenPoints(benchmark::State& state)
{
    AnnotationManager store;
    fillStore(store);
    QList<QPointF> points;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            points.append(QPointF(200 + 400 * x, 125 + 250 * y));
    for (const QPointF& p : points)
        benchmark::DoNotOptimize(store.hitTestAnnotation(p, canvasSize, imageSize));
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.hitTestAnnotation(points[i], canvasSize, imageSize));
        i = (i + 1) % points.size();
    }
    state.counters["cachedHeights"] = textHeightCacheCount();
}
BENCHMARK(BM_HitTestSixteenPoints)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_MosaicPixelation5000(benchmark::State& state)
{
    QImage image(5000, 5000, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb(x % 256, y % 256, (x + y) % 256);
    }
    for (auto _ : state) {
        auto mosaic = pixelatedRegion(image, QRectF(0, 0, 1, 1), 5, QSizeF(5000, 5000));
        benchmark::DoNotOptimize(mosaic);
    }
}
BENCHMARK(BM_MosaicPixelation5000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_TaperedFreehand10000(benchmark::State& state)
{
    QRandomGenerator random(7);
    QList<QPointF> points;
    QPointF p(500, 500);
    for (int i = 0; i < 10000; ++i) {
        p += QPointF(random.bounded(4.0) - 1.5, random.bounded(4.0) - 2.0);
        points.append(p);
    }
    for (auto _ : state) {
        // The segments and the paths the canvas strokes for them.
        const QList<StrokeSegment> segments = freehandStrokeSegments(points, LineCapStyle::taper, 6);
        for (const StrokeSegment& segment : segments) {
            QPainterPath path;
            path.addPolygon(QPolygonF(segment.points));
            benchmark::DoNotOptimize(path);
        }
    }
}
BENCHMARK(BM_TaperedFreehand10000)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
