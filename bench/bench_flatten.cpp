// Flattening with the canvas's renderers, then encoding: what one export costs.
//
// A 5120 x 2880 screenshot with 50 annotations of every kind (mosaic and spotlight
// areas, tapered strokes, highlighters, texts, markers), flattened and encoded in each
// format; and a 1600 x 20000 scrolling capture with 50 annotations spread down its
// length (WebP is left out there: 20000 pixels is over its 16383 limit). BM_Flatten*
// alone is the drawing, the rest is flatten plus encode as an export runs it.
#include "Output/ExportSnapshot.h"
#include "Output/ImageEncoder.h"
#include "Views/ExportAnnotationPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

QImage makeScreenshot(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, width, height);
    wallpaper.setColorAt(0, QColor(40, 70, 120));
    wallpaper.setColorAt(1, QColor(160, 90, 140));
    painter.fillRect(image.rect(), wallpaper);
    QRandomGenerator random(7);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    for (int w = 0; w < 6; ++w) {
        const QRect frame(random.bounded(width / 2), random.bounded(height / 2), width / 3, height / 3);
        painter.fillRect(frame, QColor(248, 248, 250));
        painter.setPen(QColor(30, 30, 30));
        for (int y = frame.top() + 40; y < frame.bottom() - 10; y += 18)
            painter.drawText(frame.left() + 12, y, QStringLiteral("Line %1 of some window text").arg(y));
    }
    return image;
}

// 50 annotations, every kind, spread over the image: 10 freehand strokes (half
// tapered), 5 highlighters, 8 lines, 8 arrows, 5 shapes, 2 mosaic areas, 1 spotlight,
// 6 texts and 5 markers.
ExportAnnotations fiftyAnnotations(const Image& image)
{
    QRandomGenerator random(11);
    auto unit = [&] { return random.bounded(0.9) + 0.05; };
    auto point = [&] { return QPointF(unit(), unit()); };
    const RgbaColor colours[] = {{1, 0.23, 0.19, 1}, {0, 0.48, 1, 1}, {0.2, 0.78, 0.35, 1}, {1, 0.8, 0, 1}};
    auto colour = [&] { return colours[random.bounded(4)]; };

    ExportAnnotations a;
    for (int i = 0; i < 15; ++i) {
        FreehandAnnotation stroke{.color = colour(), .lineWidth = 4 + double(i % 3) * 2,
                                  .capStyle = i % 2 ? LineCapStyle::taper : LineCapStyle::round};
        QPointF p = point();
        for (int k = 0; k < 60; ++k) {
            stroke.points.append(p);
            p += QPointF(random.bounded(0.01) - 0.003, random.bounded(0.01) - 0.005);
        }
        if (i >= 10) {
            stroke.isHighlighter = true;
            stroke.highlighterAlpha = 0.4;
            stroke.color = RgbaColor{1, 0.9, 0, 1};
        }
        a.freehands.append(stroke);
    }
    for (int i = 0; i < 8; ++i)
        a.lines.append(LineAnnotation{.startPoint = point(), .endPoint = point(),
                                      .lineStyle = LineStyle(i % 3), .lineWidth = 3, .color = colour()});
    for (int i = 0; i < 8; ++i)
        a.arrows.append(ArrowAnnotation{.startPoint = point(), .endPoint = point(), .color = colour(),
                                        .lineWidth = 5, .headStyle = ArrowHeadStyle(i % 3)});
    for (int i = 0; i < 8; ++i) {
        const QPointF o = point();
        RectangleAnnotation r{.rect = QRectF(o.x() * 0.8, o.y() * 0.8, 0.15, 0.12), .shapeType = ShapeType(i % 3),
                              .strokeColor = colour(), .lineWidth = 4, .cornerRadius = 8, .mosaicIntensity = 5,
                              .spotlightDim = 0.45};
        if (i == 5 || i == 6)
            r.effect = AnnotationEffect::mosaic;
        else if (i == 7)
            r.effect = AnnotationEffect::spotlight;
        else if (i == 1)
            r.fillColor = RgbaColor{1, 1, 1, 0.5};
        a.rectangles.append(r);
    }
    for (int i = 0; i < 6; ++i)
        a.texts.append(TextAnnotation{.text = QStringLiteral("Annotation text %1, long enough to wrap once").arg(i),
                                      .position = point(), .fontSize = 28, .color = colour(), .width = 0.12});
    for (int i = 0; i < 5; ++i)
        a.numbers.append(NumberAnnotation{.position = point(), .value = i + 1, .color = colour(), .diameter = 32,
                                          .shape = NumberShape(i % 2)});
    a.image = image;
    a.originalImageSize = QSizeF(image.pixelSize());
    return a;
}

ExportSnapshot snapshotOf(const QImage& bitmap)
{
    ExportSnapshot snapshot;
    snapshot.image = Image(bitmap);
    snapshot.paintAnnotations = ExportAnnotationPainter::makePainter(fiftyAnnotations(snapshot.image));
    return snapshot;
}

const ExportSnapshot& screenshot5k()
{
    static const ExportSnapshot snapshot = snapshotOf(makeScreenshot(5120, 2880));
    return snapshot;
}

const ExportSnapshot& scrollingCapture()
{
    static const ExportSnapshot snapshot = snapshotOf(makeScreenshot(1600, 20000));
    return snapshot;
}

const char* const formats[] = {"png", "jpg", "tiff", "heic", "pdf", "webp"};

void flattenAndEncode(benchmark::State& state, const ExportSnapshot& snapshot)
{
    const QString extension = QString::fromLatin1(formats[state.range(0)]);
    state.SetLabel(extension.toStdString());
    qint64 bytes = 0;
    for (auto _ : state) {
        const std::optional<QImage> flat = renderExportImage(snapshot);
        const EncodeResult result = encodeImage(0.9, *flat, extension);
        if (!result.ok()) {
            state.SkipWithError("encoding failed");
            return;
        }
        bytes = result.data.size();
    }
    state.counters["MB"] = bytes / 1.0e6;
}

void BM_Flatten5120x2880(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(renderFlattenedImage(screenshot5k()));
}
BENCHMARK(BM_Flatten5120x2880)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FlattenEncode5120x2880(benchmark::State& state) { flattenAndEncode(state, screenshot5k()); }
BENCHMARK(BM_FlattenEncode5120x2880)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Flatten1600x20000(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(renderFlattenedImage(scrollingCapture()));
}
BENCHMARK(BM_Flatten1600x20000)->Unit(benchmark::kMillisecond)->Iterations(5);

// WebP (5) left out: the capture is taller than WebP allows.
void BM_FlattenEncode1600x20000(benchmark::State& state) { flattenAndEncode(state, scrollingCapture()); }
BENCHMARK(BM_FlattenEncode1600x20000)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
