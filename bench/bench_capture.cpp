// Screen capture: freezing every display against other ways of reading the screen,
// the time from an area-capture request to the overlays being on screen, and a window
// capture from the click to its PNG on the clipboard against ImageMagick's import.
//
// Runs on $DISPLAY when it is set, else on a 1920x1080 Xvfb of its own.
#include "Capture/CaptureLog.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/SelectionOverlayController.h"
#include "Capture/SelectionOverlayView.h"
#include "Capture/CapturePng.h"
#include "Capture/ShadowCanvas.h"
#include "Capture/WindowCapture.h"
#include "Platform/Pasteboard.h"
#include "Platform/WindowImageSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <csignal>
#include <memory>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Started before main() so the application is created on this display, on xcb.
struct BenchDisplay {
    pid_t server = 0;

    BenchDisplay()
    {
        if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
            qputenv("QT_QPA_PLATFORM", "xcb");
            return;
        }
        const std::string display = ":" + std::to_string(600 + getpid() % 300);
        server = fork();
        if (server == 0) {
            execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
        for (int i = 0; i < 100 && access(socket.c_str(), F_OK) != 0; ++i)
            usleep(50000);
        usleep(100000);
        qputenv("DISPLAY", QByteArray::fromStdString(display));
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    ~BenchDisplay()
    {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }
} benchDisplay;

void quietDiagnostics()
{
    setCaptureDiagnosticSink([](const QString&) {});
}

double runCommand(benchmark::State& state, const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        state.SkipWithError((program + QStringLiteral(" is not installed")).toStdString().c_str());
        return 0;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start();
    process.waitForFinished(30000);
    return process.exitCode();
}

void BM_FreezeAllDisplays(benchmark::State& state)
{
    quietDiagnostics();
    DisplayCaptureSource& source = DisplayCaptureSource::current();
    if (!source.isAvailable()) {
        state.SkipWithError("not on X11");
        return;
    }
    qint64 pixels = 0;
    for (auto _ : state) {
        auto records = freezeAllDisplays(source);
        if (!records) {
            state.SkipWithError("freeze failed");
            return;
        }
        for (const auto& r : *records)
            pixels = r.image.width() * qint64(r.image.height());
        benchmark::DoNotOptimize(records);
    }
    state.counters["pixels"] = double(pixels);
}
BENCHMARK(BM_FreezeAllDisplays)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_QScreenGrabWindow(benchmark::State& state)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    for (auto _ : state) {
        QPixmap pixmap = screen->grabWindow(0);
        benchmark::DoNotOptimize(pixmap);
    }
}
BENCHMARK(BM_QScreenGrabWindow)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// External tools: whole process runs, including their start-up and file writing
// (each writes the cheapest format it offers).
void BM_ImportWindowRoot(benchmark::State& state)
{
    for (auto _ : state)
        runCommand(state, QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                     QStringLiteral("ppm:-")});
}
BENCHMARK(BM_ImportWindowRoot)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Scrot(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    for (auto _ : state)
        runCommand(state, QStringLiteral("scrot"), {QStringLiteral("-o"), file});
}
BENCHMARK(BM_Scrot)->Unit(benchmark::kMillisecond)->Iterations(10);

// From rememberFrontmostApp() (what the area hot key calls) until every overlay is
// mapped and exposed; then the session is cancelled for the next round.
void BM_RequestToOverlaysShown(benchmark::State& state)
{
    quietDiagnostics();
    // range(0) = 1: a Lumetra window is on screen and must be hidden (and the programs
    // beneath given their moment to repaint) before the displays are frozen.
    std::unique_ptr<QWidget> window;
    if (state.range(0) == 1) {
        window = std::make_unique<QWidget>();
        window->setGeometry(100, 100, 800, 600);
        window->show();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    SelectionOverlayController& controller = SelectionOverlayController::shared();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        controller.rememberFrontmostApp();
        bool shown = false;
        while (!shown && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const auto views = controller.overlayViews();
            shown = !views.isEmpty();
            for (SelectionOverlayView* view : views)
                shown = shown && view->windowHandle() && view->windowHandle()->isExposed();
        }
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        if (!shown) {
            state.SkipWithError("overlays never appeared");
            return;
        }
        state.PauseTiming();
        controller.cancelSession();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RequestToOverlaysShown)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// A 1280 x 800 window of another program (ImageMagick's viewer), half covered by a
// second one; started once for the window benchmarks.
struct BenchWindow {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> viewer;
    std::unique_ptr<QProcess> cover;
    WindowRecord record;

    std::unique_ptr<QProcess> showImage(const QString& name, const QSize& size, const QPoint& at)
    {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 5) & 0xff, ((x ^ y) * 3) & 0xff));
        const QString file = dir.filePath(name + QStringLiteral(".png"));
        image.save(file);
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral("display"), {QStringLiteral("-borderwidth"), QStringLiteral("0"),
                                                   QStringLiteral("-geometry"),
                                                   QStringLiteral("+%1+%2").arg(at.x()).arg(at.y()),
                                                   QStringLiteral("-title"), name, file});
        return process;
    }

    bool start()
    {
        if (record.windowId)
            return true;
        if (QStandardPaths::findExecutable(QStringLiteral("display")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            return false;
        viewer = showImage(QStringLiteral("BenchWindow"), QSize(1280, 800), QPoint(100, 100));
        QProcess search;
        search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                                 QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                                 QStringLiteral("^BenchWindow$")});
        search.waitForFinished(20000);
        record.windowId = search.readAllStandardOutput().trimmed().split('\n').value(0).toUInt();
        record.frame = QRectF(100, 100, 1280, 800);
        cover = showImage(QStringLiteral("BenchCover"), QSize(700, 500), QPoint(800, 500));
        QThread::msleep(1000);
        return record.windowId != 0;
    }
    ~BenchWindow()
    {
        for (auto* p : {viewer.get(), cover.get()})
            if (p) {
                p->kill();
                p->waitForFinished(2000);
            }
    }
};

BenchWindow& benchWindow()
{
    static BenchWindow window;
    return window;
}

// From the click until the PNG is on the clipboard: the window's picture, the shadow
// canvas, PNG and the clipboard. range(0) = 1: the window was hovered first, so it had
// drawn itself off screen before the click (what the picker does); 0: it is redirected
// at the click and its program's repaint is waited for.
void BM_WindowClickToClipboardPng(benchmark::State& state)
{
    quietDiagnostics();
    BenchWindow& window = benchWindow();
    if (!window.start()) {
        state.SkipWithError("no test window (display and xdotool are needed)");
        return;
    }
    WindowImageSource& source = WindowImageSource::current();
    for (auto _ : state) {
        state.PauseTiming();
        if (state.range(0) == 1) {
            source.prepare(window.record.windowId);
            for (int i = 0; i < 30; ++i) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                QThread::msleep(5);
            }
        }
        state.ResumeTiming();
        const auto captured = WindowCapture::captureWindowImage(window.record);
        const auto* result = std::get_if<WindowCapture::Result>(&captured);
        if (!result) {
            state.SkipWithError("the window could not be read");
            return;
        }
        const WindowCapture::EncodedCanvas encoded = WindowCapture::encodeCanvas(result->image, result->scale);
        Pasteboard::general().clearContents();
        Pasteboard::general().setItems({{Pasteboard::pngType, *encoded.png}});
    }
}
BENCHMARK(BM_WindowClickToClipboardPng)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same window through ImageMagick: import -window ID, PNG to standard output.
void BM_ImportWindowId(benchmark::State& state)
{
    BenchWindow& window = benchWindow();
    if (!window.start()) {
        state.SkipWithError("no test window (display and xdotool are needed)");
        return;
    }
    const QString id = QString::number(window.record.windowId);
    for (auto _ : state)
        runCommand(state, QStringLiteral("import"), {QStringLiteral("-window"), id, QStringLiteral("png:-")});
}
BENCHMARK(BM_ImportWindowId)->Unit(benchmark::kMillisecond)->Iterations(10);

// The two steps after the read, for a 1280 x 800 window at scale 1.
void BM_ShadowCanvas(benchmark::State& state)
{
    QImage image(1280, 800, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    for (auto _ : state)
        benchmark::DoNotOptimize(ShadowCanvas::makeShadowCanvas(image, 1.0));
}
BENCHMARK(BM_ShadowCanvas)->Unit(benchmark::kMillisecond);

void BM_ShadowCanvasPng(benchmark::State& state)
{
    QImage image(1280, 800, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 5) & 0xff, ((x ^ y) * 3) & 0xff));
    const QImage canvas = *ShadowCanvas::makeShadowCanvas(image, 1.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeCapturePng(canvas));
}
BENCHMARK(BM_ShadowCanvasPng)->Unit(benchmark::kMillisecond);

} // namespace
