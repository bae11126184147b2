// Image output: encoding a 5K screenshot in every format, a 1600 x 20000
// scrolling capture, and the backdrop. PNG on its own: bench_png.
#include "Output/BackdropRenderer.h"
#include "Output/ImageEncoder.h"
#include "Output/ExportSnapshot.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

// A desktop-like screenshot: flat panels, window chrome, lots of text, a
// gradient wallpaper and a few photos-like thumbnails.
QImage makeScreenshot(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, width, height);
    wallpaper.setColorAt(0, QColor(40, 70, 120));
    wallpaper.setColorAt(1, QColor(160, 90, 140));
    painter.fillRect(image.rect(), wallpaper);
    QRandomGenerator random(42);
    QFont font(QStringLiteral("DejaVu Sans"), 11);
    painter.setFont(font);
    const int windows = 6;
    for (int w = 0; w < windows; ++w) {
        const QRect frame(random.bounded(width / 2), random.bounded(height / 2), width / 3 + random.bounded(width / 4),
                          height / 3 + random.bounded(height / 4));
        painter.fillRect(frame, QColor(248, 248, 250));
        painter.fillRect(QRect(frame.topLeft(), QSize(frame.width(), 36)), QColor(225, 228, 232));
        painter.fillRect(QRect(frame.left(), frame.top() + 36, 220, frame.height() - 36), QColor(238, 240, 244));
        painter.setPen(QColor(30, 30, 30));
        for (int y = frame.top() + 56; y < frame.bottom() - 10; y += 18) {
            QString line;
            const int words = 4 + random.bounded(12);
            for (int i = 0; i < words; ++i)
                line += QStringLiteral("word%1 ").arg(random.bounded(1000));
            painter.drawText(frame.left() + 236, y, line);
            painter.drawText(frame.left() + 12, y, QStringLiteral("Item %1").arg(random.bounded(100)));
        }
        // A thumbnail with photo-like content.
        const QRect thumb(frame.right() - 260, frame.top() + 60, 240, 160);
        for (int y = thumb.top(); y < thumb.bottom() && y < height; ++y)
            for (int x = thumb.left(); x < thumb.right() && x < width; ++x)
                if (x >= 0 && y >= 0)
                    image.setPixel(x, y, qRgb((x * 3 + random.bounded(30)) % 256, (y * 2) % 256, 120));
    }
    painter.end();
    return image;
}

const QImage& screenshot5k()
{
    static const QImage image = makeScreenshot(5120, 2880);
    return image;
}

const QImage& scrollingCapture()
{
    static const QImage image = makeScreenshot(1600, 20000);
    return image;
}

const char* const formats[] = {"png", "jpg", "tiff", "webp", "heic", "pdf"};

void encodeBenchmark(benchmark::State& state, const QImage& image)
{
    const QString extension = QString::fromLatin1(formats[state.range(0)]);
    state.SetLabel(extension.toStdString());
    qint64 bytes = 0;
    bool failed = false;
    for (auto _ : state) {
        const EncodeResult result = encodeImage(0.9, image, extension);
        failed = !result.ok();
        bytes = result.data.size();
        benchmark::DoNotOptimize(bytes);
    }
    if (failed)
        state.SetLabel(extension.toStdString() + " (refused: over the format's limit)");
    state.counters["MB"] = bytes / 1.0e6;
}

void BM_Encode5120x2880(benchmark::State& state)
{
    encodeBenchmark(state, screenshot5k());
}
BENCHMARK(BM_Encode5120x2880)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Encode1600x20000(benchmark::State& state)
{
    encodeBenchmark(state, scrollingCapture());
}
BENCHMARK(BM_Encode1600x20000)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(2);

// Export as the user runs it: snapshot rendered (turned a quarter), set on the
// default backdrop with its shadow, encoded as PNG.
void BM_ExportWithBackdrop5120x2880(benchmark::State& state)
{
    ExportSnapshot snapshot;
    snapshot.image = Image(screenshot5k());
    snapshot.rotation = state.range(0);
    snapshot.backdrop = BackdropParameters();
    snapshot.backdropAlphaCapable = true;
    for (auto _ : state) {
        const std::optional<QImage> image = renderExportImage(snapshot);
        benchmark::DoNotOptimize(ImageEncoding::encodePng(*image).size());
    }
}
BENCHMARK(BM_ExportWithBackdrop5120x2880)->Arg(0)->Arg(90)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Backdrop5120x2880(benchmark::State& state)
{
    BackdropParameters parameters;
    for (auto _ : state)
        benchmark::DoNotOptimize(renderBackdropImage(screenshot5k(), parameters, state.range(0) != 0));
}
BENCHMARK(BM_Backdrop5120x2880)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
