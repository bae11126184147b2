// Image output: encoding a 5K screenshot in every format, a 1600 x 20000
// scrolling capture, the backdrop, zlib levels for PNG, and our PNG beside
// ImageMagick's `convert` of the same pixels.
//
// BM_PngLevel gives the figures behind ImageEncoding::pngCompressionLevel
// (the fastest zlib level within 10% of the smallest size); they are quoted
// beside that constant.
#include "Output/BackdropRenderer.h"
#include "Output/ImageEncoder.h"
#include "Output/ExportSnapshot.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>

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

// Photo-like: smooth colour fields with sensor noise.
QImage makePhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QRandomGenerator random(3);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random.bounded(24)) - 12;
            const int r = std::clamp(int(128 + 100 * std::sin(x / 180.0) + n), 0, 255);
            const int g = std::clamp(int(110 + 80 * std::cos(y / 140.0) + n), 0, 255);
            const int b = std::clamp(int(90 + 60 * std::sin((x + y) / 260.0) + n), 0, 255);
            row[x] = qRgb(r, g, b);
        }
    }
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

const QImage& screenshot2560()
{
    static const QImage image = makeScreenshot(2560, 1600);
    return image;
}

const QImage& photo()
{
    static const QImage image = makePhoto(2400, 1600);
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

// zlib level against size, on a screenshot (range 1 = 0) and a photo (1).
void BM_PngLevel(benchmark::State& state)
{
    const QImage& image = state.range(1) == 0 ? screenshot2560() : photo();
    const int level = static_cast<int>(state.range(0));
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = ImageEncoding::encodePng(image, level).size();
    state.SetLabel(state.range(1) == 0 ? "screenshot 2560x1600" : "photo 2400x1600");
    state.counters["MB"] = bytes / 1.0e6;
}
BENCHMARK(BM_PngLevel)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6, 7, 9}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Our PNG beside ImageMagick's `convert` of the same raw pixels, run as a
// subprocess (its time includes starting up and reading the raw file, as a
// user running it would see). ratio = ours / convert.
void BM_PngBesideImageMagick(benchmark::State& state)
{
    const QImage& image = state.range(0) == 0 ? screenshot5k() : scrollingCapture();
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("pixels.rgba"));
    {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        QFile file(raw);
        file.open(QIODevice::WriteOnly);
        for (int y = 0; y < rgba.height(); ++y)
            file.write(reinterpret_cast<const char*>(rgba.constScanLine(y)), qint64(rgba.width()) * 4);
    }
    // Debian's ImageMagick policy refuses sides over 16K pixels; a policy of
    // our own lets it take the 20000-pixel capture.
    {
        QFile policy(dir.filePath(QStringLiteral("policy.xml")));
        policy.open(QIODevice::WriteOnly);
        policy.write("<policymap>\n"
                     "  <policy domain=\"resource\" name=\"width\" value=\"64KP\"/>\n"
                     "  <policy domain=\"resource\" name=\"height\" value=\"64KP\"/>\n"
                     "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                     "  <policy domain=\"resource\" name=\"memory\" value=\"2GiB\"/>\n"
                     "</policymap>\n");
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"), dir.path());
    double oursSeconds = 0;
    double convertSeconds = 0;
    qsizetype oursBytes = 0;
    qint64 convertBytes = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        oursBytes = ImageEncoding::encodePng(image).size();
        oursSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        start = std::chrono::steady_clock::now();
        QProcess process;
        process.setProcessEnvironment(environment);
        const QString out = dir.filePath(QStringLiteral("convert.png"));
        process.start(convert, {QStringLiteral("-size"), QStringLiteral("%1x%2").arg(image.width()).arg(image.height()),
                                QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:") + raw, out});
        process.waitForFinished(-1);
        convertSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        convertBytes = QFile(out).size();
        if (process.exitCode() != 0)
            state.SkipWithError("convert failed");
    }
    state.SetLabel(state.range(0) == 0 ? "5120x2880" : "1600x20000");
    state.counters["ours_ms"] = 1000 * oursSeconds / state.iterations();
    state.counters["convert_ms"] = 1000 * convertSeconds / state.iterations();
    state.counters["time_ratio"] = oursSeconds / convertSeconds;
    state.counters["ours_MB"] = oursBytes / 1.0e6;
    state.counters["convert_MB"] = convertBytes / 1.0e6;
}
BENCHMARK(BM_PngBesideImageMagick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
