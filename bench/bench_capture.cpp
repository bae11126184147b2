// Screen capture: freezing every display against other ways of reading the screen,
// and the time from an area-capture request to the overlays being on screen.
//
// Runs on $DISPLAY when it is set, else on a 1920x1080 Xvfb of its own.
#include "Capture/CaptureLog.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/SelectionOverlayController.h"
#include "Capture/SelectionOverlayView.h"

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

} // namespace
