// Scrolling capture's stitcher: judging one frame against the previous one (the
// hash, the registration and, on the first frames, the scrollbar and header
// detectors) at three frame sizes, composing 100 frames of 1600 x 1200 into a
// 20000-pixel image, with the peak memory it takes, and a whole recording of a tall
// page in rows per second, with and without an animated badge.
//
// Everything runs on the calling thread: the figures are for one core.
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureClock.h"
#include "Capture/CaptureLog.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/ScrollFrameSource.h"
#include "Capture/ScrollKeptFrames.h"
#include "Capture/ScrollStitcher.h"
#include "Capture/ScrollingCaptureController.h"
#include "Platform/CaptureInputGrab.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/ScrollEventPoster.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <map>
#include <utility>

namespace {

void quietDiagnostics()
{
    setCaptureDiagnosticSink([](const QString&) {});
}

// A long document as a browser shows it: paragraphs in a few fonts and sizes, a code
// block, list rows with icons, a scrollbar track at the right edge.
QImage documentPage(int width, int height)
{
    QImage page(width, height, QImage::Format_ARGB32_Premultiplied);
    page.fill(QColor(250, 250, 248));
    QPainter painter(&page);
    QRandomGenerator random(7);
    const auto words = [&random](int count) {
        QString text;
        for (int i = 0; i < count; ++i)
            text += QStringLiteral("w%1rd%2 ").arg(random.bounded(1000)).arg(QChar(u'a' + random.bounded(26)));
        return text;
    };
    const QFont fonts[] = {QFont(QStringLiteral("DejaVu Sans"), 11), QFont(QStringLiteral("DejaVu Serif"), 14),
                           QFont(QStringLiteral("DejaVu Sans Mono"), 10), QFont(QStringLiteral("DejaVu Sans"), 20, QFont::Bold)};
    int y = 20;
    for (int block = 0; y < height - 40; ++block) {
        const QFont& font = fonts[block % 4];
        painter.setFont(font);
        painter.setPen(block % 4 == 2 ? QColor(20, 100, 60) : QColor(25, 25, 25));
        const int lineHeight = QFontMetrics(font).lineSpacing();
        const int lines = block % 4 == 3 ? 1 : 4 + random.bounded(8);
        for (int l = 0; l < lines && y < height - 40; ++l, y += lineHeight) {
            if (block % 5 == 4) {
                painter.setBrush(QColor::fromHsv(random.bounded(360), 150, 210));
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(40, y - lineHeight + 6, lineHeight - 8, lineHeight - 8);
                painter.setPen(QColor(25, 25, 25));
            }
            painter.drawText(40 + (block % 4 == 2 ? 24 * random.bounded(4) : 0) + (block % 5 == 4 ? lineHeight : 0), y,
                             words(width / 90));
        }
        y += 18;
    }
    painter.fillRect(width - 14, 0, 14, height, QColor(238, 238, 238));
    return page;
}

const QImage& pageFor(int width)
{
    static std::map<int, QImage> pages;
    auto found = pages.find(width);
    if (found == pages.end())
        found = pages.emplace(width, documentPage(width, 4 * 2160)).first;
    return found->second;
}

QImage viewOf(const QImage& page, int top, int height)
{
    return page.copy(0, top, page.width(), height);
}

// arg 0, 1: width and height; arg 2: 1 while the detectors still run (the first
// judgements of a recording), 0 once they have settled.
void BM_JudgeFrame(benchmark::State& state)
{
    quietDiagnostics();
    const int width = int(state.range(0)), height = int(state.range(1));
    const QImage& page = pageFor(width);
    const int step = height / 4;
    const QImage previous = viewOf(page, 600, height);
    const QImage next = viewOf(page, 600 + step, height);
    ScrollStitcher::DetectionState detection;
    if (state.range(2) == 0)
        detection = {0, true, 0, true, 2};
    int newRows = 0;
    for (auto _ : state) {
        const auto judgement = ScrollStitcher::judgeFrame(previous, next, detection, step, ScrollStitcher::JudgeMode::tick);
        newRows = judgement.newPx;
        benchmark::DoNotOptimize(judgement);
    }
    if (newRows != step)
        state.SkipWithError("the frame was not judged as the scrolled step");
    state.SetLabel(state.range(2) ? "detectors running" : "detection settled");
}
BENCHMARK(BM_JudgeFrame)
    ->Args({800, 600, 1})
    ->Args({1600, 1200, 1})
    ->Args({1600, 1200, 0})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Peak resident memory, reset to the current size (Linux 4.0+).
long long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}
void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
long long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// 100 frames of 1600 x 1200 kept as a recording keeps them (the first whole, each
// later one as its new rows), 20000 rows in all, handed over to compose when the
// recording ends. "kept MB" is what the kept frames hold, "peak +MB" what composing
// adds on top at its peak (the stitched image itself: the allocator keeps the freed
// slices for reuse rather than returning them).
void BM_Compose100Frames(benchmark::State& state)
{
    quietDiagnostics();
    const int width = 1600, height = 1200, frames = 100, total = 20000;
    const QImage page = documentPage(width, total);
    long long peakKb = 0, keptKb = 0;
    int composedHeight = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ScrollKeptFrames kept;
        const long long before = residentKb();
        for (int i = 0, previousTop = 0; i < frames; ++i) {
            const int top = i * (total - height) / (frames - 1);
            kept.append(page.copy(0, top, width, height), i == 0 ? 0 : height - (top - previousTop));
            previousTop = top;
        }
        std::vector<KeptSlice> slices = kept.takeSlices();
        keptKb = residentKb() - before;
        const long long base = residentKb();
        resetPeakResident();
        state.ResumeTiming();
        auto result = ScrollStitcher::compose(std::move(slices), 50000);
        state.PauseTiming();
        peakKb = peakResidentKb() - base;
        composedHeight = result ? result->totalHeight : 0;
        result.reset();
        state.ResumeTiming();
    }
    if (composedHeight != total)
        state.SkipWithError("the composed image is not 20000 rows");
    state.counters["kept MB"] = keptKb / 1024.0;
    state.counters["peak +MB"] = peakKb / 1024.0;
}
BENCHMARK(BM_Compose100Frames)->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- a whole recording ----------------------------------------------------------------

// A browser tab under the selection: a page of `documentPage` that shows a scroll one
// frame (16 ms) after the wheel click, optionally with a badge in its corner that
// animates by itself at 60 frames a second.
class BenchScrolledPage final : public ScrollFrameSource, public ScrollEventPoster {
public:
    BenchScrolledPage(int width, int height, int viewHeight, bool badge)
        : page(documentPage(width, height))
        , m_viewHeight(viewHeight)
        , m_badge(badge)
    {
        m_clock.start();
    }
    QImage grab(const QRect& rect, bool) override
    {
        if (m_clock.elapsed() >= m_shownAt)
            m_shownTop = m_top;
        QImage frame = page.copy(0, m_shownTop, rect.width(), rect.height()).convertToFormat(QImage::Format_RGB32);
        if (m_badge)
            QPainter(&frame).fillRect(rect.width() - 60, 20, 28, 28, QColor::fromHsv(int(m_clock.elapsed() / 16 * 7 % 360), 200, 230));
        return frame;
    }
    std::optional<QPoint> pointerPosition() override { return QPoint(0, 0); }
    void movePointer(const QPoint&) override {}
    bool scroll(const QPoint&, int clicks) override
    {
        m_top = std::clamp(m_top + clicks * 120, 0, page.height() - m_viewHeight);
        m_shownAt = m_clock.elapsed() + 16;
        return true;
    }

    const QImage page;

private:
    QElapsedTimer m_clock;
    int m_viewHeight;
    bool m_badge;
    int m_top = 0, m_shownTop = 0;
    qint64 m_shownAt = 0;
};

class BenchInputGrab final : public CaptureInputGrab {
public:
    bool grab() override { return m_held = true; }
    void release() override { m_held = false; }
    bool isGrabbed() const override { return m_held; }

private:
    bool m_held = false;
};

class BenchDisplay final : public DisplayCaptureSource {
public:
    BenchDisplay() { DisplayCaptureSource::setForTesting(this); }
    ~BenchDisplay() override { DisplayCaptureSource::setForTesting(nullptr); }
    bool isAvailable() override { return true; }
    QList<std::optional<Display>> displays() override
    {
        Display d;
        d.number = 1;
        d.frame = QRectF(0, 0, 1920, 1080);
        d.scale = 1.0;
        d.pixelFrame = QRect(0, 0, 1920, 1080);
        return {d};
    }
    QImage capture(const Display&, const QSize& size) override
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::gray);
        return image;
    }
};

class QuietAlerts final : public CaptureAlerts {
public:
    void showWarning(const QString&, const QString&) override { ++warnings; }
    void showInformation(const QString&) override {}
    bool askWarning(const QString&, const QString&, const QString&, const QString&) override { return false; }
    int warnings = 0;
};

// A 10,000-pixel page, 1280 pixels wide, in a view 900 high: from the selection to the
// PNG on the clipboard, at the pace of the real clock (the page redraws a frame after
// each scroll). arg 0: 1 with an animated badge. "rows/s" is the stitched height over
// that time; the badge run also reports its cost against the run without it.
void BM_WholeRecording(benchmark::State& state)
{
    quietDiagnostics();
    static double plainRowsPerSecond = 0;
    const bool badge = state.range(0) != 0;
    constexpr int kWidth = 1280, kHeight = 10000, kView = 900;
    BenchDisplay display;
    QuietAlerts alerts;
    CaptureAlerts::setForTesting(&alerts);
    InMemoryPasteboard pasteboard;
    Pasteboard::setGeneralForTesting(&pasteboard);
    BenchInputGrab input;
    double seconds = 0;
    int height = 0, runs = 0;
    bool exact = true;
    for (auto _ : state) {
        BenchScrolledPage page(kWidth, kHeight, kView, badge);
        ScrollingCaptureController controller(CaptureClock::system());
        controller.setDevicesForTesting(&page, &page, &input);
        pasteboard.clearContents();
        controller.start();
        while (controller.phase() != ScrollingCaptureController::Phase::selecting)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QElapsedTimer timer;
        timer.start();
        controller.handleSelection(QRectF(0, 90, kWidth, kView));
        while (controller.isBusy())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        seconds += timer.elapsed() / 1000.0;
        ++runs;
        const auto png = pasteboard.data(Pasteboard::pngType);
        const QImage stitched = png ? QImage::fromData(*png, "PNG") : QImage();
        height = stitched.height();
        const int columns = badge ? kWidth - 64 : kWidth;
        exact = exact && height == kHeight
            && stitched.convertToFormat(QImage::Format_RGB32).copy(0, 48, columns, kHeight - 48)
                == page.page.convertToFormat(QImage::Format_RGB32).copy(0, 48, columns, kHeight - 48);
    }
    Pasteboard::setGeneralForTesting(nullptr);
    CaptureAlerts::setForTesting(nullptr);
    if (!exact)
        state.SkipWithError("the stitched image is not the page row for row");
    const double rowsPerSecond = runs * double(kHeight) / std::max(seconds, 1e-9);
    state.counters["rows/s"] = rowsPerSecond;
    if (!badge)
        plainRowsPerSecond = rowsPerSecond;
    else if (plainRowsPerSecond > 0)
        state.counters["badge cost %"] = 100.0 * (plainRowsPerSecond / rowsPerSecond - 1.0);
    state.SetLabel(badge ? "animated badge" : "still page");
}
BENCHMARK(BM_WholeRecording)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
