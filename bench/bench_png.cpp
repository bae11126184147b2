// PNG encoding on a corpus of rendered screenshots (support/DesktopCorpus.h).
//
// BM_PngSideBySide: our encoder beside ImageMagick (`convert in.ppm out.png`,
// its default settings, run as a process, so its time includes starting up and
// reading the PPM) and beside the encoder Lumetra had before (Qt's PNG writer
// at zlib level 1, single-threaded, kept here only for comparison). The
// benchmark's own time is ours; the others are counters.
// BM_PngLevel: size and time of every libdeflate level, the figures behind
// ImageEncoding::pngCompressionLevel.
//
// All times are wall-clock: the encoder uses every core. The run's context
// records the load average, since other work on the machine slows it.
#include "Output/ImageEncoder.h"
#include "support/DesktopCorpus.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <map>

namespace {

struct Sample {
    const char* name;
    std::function<QImage()> make;
};

const Sample samples[] = {
    {"windows with text 1920x1080", [] { return DesktopCorpus::windowsWithText(); }},
    {"browser page 1920x1080", [] { return DesktopCorpus::browserPage(); }},
    {"terminal 1920x1080", [] { return DesktopCorpus::terminal(); }},
    {"photo in a window 1920x1080", [] { return DesktopCorpus::photoInWindow(); }},
    {"photo wallpaper 1920x1080", [] { return DesktopCorpus::photoWallpaper(); }},
    {"flat 1920x1080", [] { return DesktopCorpus::flatScreen(); }},
    {"noisy 1920x1080", [] { return DesktopCorpus::noisyScreen(); }},
    {"scrolling capture 1600x20000", [] { return DesktopCorpus::scrollingCapture(); }},
    {"desktop 5120x2880", [] { return DesktopCorpus::retinaDesktop(); }},
    {"canvas 12000x12000", [] { return DesktopCorpus::hugeCanvas(); }},
};
constexpr int sampleCount = int(std::size(samples));

const QImage& sample(int index)
{
    static std::map<int, QImage> made;
    auto it = made.find(index);
    if (it == made.end())
        it = made.emplace(index, samples[index].make()).first;
    return it->second;
}

// CPU time of the whole process, every thread: what the encoder costs in all,
// and about how long it takes where fewer cores are free.
double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What Lumetra wrote before: Qt's writer, quality 80 (zlib level 1).
QByteArray previousEncoder(const QImage& image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(80);
    writer.write(image);
    return png;
}

struct ConvertResult {
    double seconds = 0;
    qint64 bytes = 0;
};

// ImageMagick's default PNG of the same pixels, from a PPM.
std::optional<ConvertResult> convertWithImageMagick(const QImage& image)
{
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    QTemporaryDir dir;
    if (convert.isEmpty() || !dir.isValid())
        return std::nullopt;
    const QString ppm = dir.filePath(QStringLiteral("in.ppm"));
    {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        QFile file(ppm);
        if (!file.open(QIODevice::WriteOnly))
            return std::nullopt;
        file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(rgb.width()).arg(rgb.height()).toLatin1());
        for (int y = 0; y < rgb.height(); ++y)
            file.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), qint64(rgb.width()) * 3);
    }
    // Debian's ImageMagick policy refuses sides over 16K pixels and areas over
    // 128 megapixels; a policy of our own lets it take the large samples.
    {
        QFile policy(dir.filePath(QStringLiteral("policy.xml")));
        policy.open(QIODevice::WriteOnly);
        policy.write("<policymap>\n"
                     "  <policy domain=\"resource\" name=\"width\" value=\"64KP\"/>\n"
                     "  <policy domain=\"resource\" name=\"height\" value=\"64KP\"/>\n"
                     "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                     "  <policy domain=\"resource\" name=\"memory\" value=\"4GiB\"/>\n"
                     "  <policy domain=\"resource\" name=\"disk\" value=\"8GiB\"/>\n"
                     "</policymap>\n");
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"), dir.path());
    process.setProcessEnvironment(environment);
    const QString out = dir.filePath(QStringLiteral("out.png"));
    ConvertResult result;
    result.seconds = secondsOf([&] {
        process.start(convert, {ppm, out});
        process.waitForFinished(-1);
    });
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    result.bytes = QFile(out).size();
    return result;
}

void BM_PngSideBySide(benchmark::State& state)
{
    const QImage& image = sample(int(state.range(0)));
    state.SetLabel(samples[state.range(0)].name);
    const std::optional<ConvertResult> convert = convertWithImageMagick(image);
    QByteArray previous;
    const double previousSeconds = secondsOf([&] { previous = previousEncoder(image); });

    qsizetype bytes = 0;
    double seconds = 0;
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        seconds += secondsOf([&] { bytes = ImageEncoding::encodePng(image).size(); });
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["cpu_ms"] = 1000 * (processCpuSeconds() - cpuStart) / double(state.iterations());
    const double oursMs = 1000 * seconds / double(state.iterations());
    state.counters["kB"] = double(bytes) / 1000;
    state.counters["before_ms"] = 1000 * previousSeconds;
    state.counters["before_kB"] = double(previous.size()) / 1000;
    state.counters["speedup"] = 1000 * previousSeconds / oursMs;
    if (convert) {
        state.counters["convert_ms"] = 1000 * convert->seconds;
        state.counters["convert_kB"] = double(convert->bytes) / 1000;
        state.counters["size/convert"] = double(bytes) / double(convert->bytes);
    } else {
        state.SetLabel(std::string(samples[state.range(0)].name) + " (no convert)");
    }
}
BENCHMARK(BM_PngSideBySide)->DenseRange(0, sampleCount - 1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_PngLevel(benchmark::State& state)
{
    const QImage& image = sample(int(state.range(0)));
    const int level = int(state.range(1));
    state.SetLabel(samples[state.range(0)].name);
    qsizetype bytes = 0;
    const double cpuStart = processCpuSeconds();
    for (auto _ : state)
        bytes = ImageEncoding::encodePng(image, level).size();
    state.counters["cpu_ms"] = 1000 * (processCpuSeconds() - cpuStart) / double(state.iterations());
    state.counters["kB"] = double(bytes) / 1000;
}
// Every level on the screens and the scrolling capture; the levels worth
// considering on the two large pictures (10-12 take minutes there).
BENCHMARK(BM_PngLevel)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), benchmark::CreateDenseRange(1, 12, 1)})
    ->ArgsProduct({{8, 9}, benchmark::CreateDenseRange(4, 9, 1)})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.3);

[[maybe_unused]] const bool context = [] {
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        benchmark::AddCustomContext("loadavg at start", load.readAll().trimmed().toStdString());
    benchmark::AddCustomContext("threads", std::to_string(QThread::idealThreadCount()));
    return true;
}();

} // namespace
