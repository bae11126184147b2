// How quickly Lumetra answers on a desktop (support/BenchDesktop.h: Xvfb 1920x1080,
// openbox, trayer), each measure a median of several runs:
//   start to tray icon        launch until the icon is docked in the tray
//   cold capture to overlay   `lumetra --capture-area` with no copy running, until the
//                             selection overlay is mapped
//   idle memory               resident set two seconds after the icon was docked
//   hot key, editor open      the area key with the editor window open, until the
//                             selection overlay is mapped
//   window click to clipboard the window key, the pointer resting on a window for a
//                             moment, then the click until the PNG owns the clipboard
//
// The program measured is the lumetra beside the bench folder (LUMETRA_BINARY names
// another). LUMETRA_OLD_BINARY names an older build to measure in the same run, runs of
// the two taking turns; each measure then shows both medians and their ratio.
// The `before` counter is the figure an earlier build measured on the same desktop,
// kept as the baseline each measure is compared with; `goal` is the figure to stay under.
// LUMETRA_BENCH_ROUNDS sets the runs per program (default 9).
#include "support/BenchDesktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>

using namespace BenchDesktop;

namespace {

constexpr std::uint32_t controlKey = 0xffe3, shiftKey = 0xffe1, escapeKey = 0xff1b;
constexpr int timeoutMs = 10000;

struct Program {
    const char* name;
    QString path;
};

std::vector<Program> programs()
{
    std::vector<Program> list;
    const QString own = qEnvironmentVariable("LUMETRA_BINARY",
                                             QCoreApplication::applicationDirPath() + QStringLiteral("/../lumetra"));
    list.push_back({"lumetra", own});
    if (const QString old = qEnvironmentVariable("LUMETRA_OLD_BINARY"); !old.isEmpty())
        list.push_back({"old", old});
    return list;
}

int rounds()
{
    return std::max(1, qEnvironmentVariableIntValue("LUMETRA_BENCH_ROUNDS") ?: 9);
}

Desktop& desktop()
{
    static Desktop shared;
    return shared;
}

// A settings folder of its own for one run: nothing carries over between runs.
struct Config {
    explicit Config(const QByteArray& settings)
    {
        QFile file(QDir(dir.path()).filePath(QStringLiteral("Lumetra.conf")));
        file.open(QIODevice::WriteOnly);
        file.write("[General]\n" + settings);
    }
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
};

const QByteArray quietStart = "openWindowAtLaunch=false\ncaptureOpensEditor=false\n";

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

// Runs `measure` for every program in turn, `rounds` times, and reports the medians.
void report(benchmark::State& state, double before, double goal,
            const std::function<std::optional<double>(const Program&)>& measure)
{
    if (!desktop().ok()) {
        state.SkipWithError(desktop().error().toStdString().c_str());
        return;
    }
    const std::vector<Program> list = programs();
    std::map<std::string, std::vector<double>> results;
    for (auto _ : state) {
        for (int round = 0; round < rounds(); ++round)
            for (const Program& program : list)
                if (const std::optional<double> value = measure(program))
                    results[program.name].push_back(*value);
    }
    const double ours = median(results["lumetra"]);
    if (results["lumetra"].empty()) {
        state.SkipWithError("no run of lumetra finished");
        return;
    }
    state.counters["lumetra"] = ours;
    state.counters["runs"] = double(results["lumetra"].size());
    if (list.size() > 1 && !results["old"].empty()) {
        const double old = median(results["old"]);
        state.counters["old"] = old;
        state.counters["lumetra/old"] = ours / old;
    }
    state.counters["before"] = before;
    state.counters["goal"] = goal;
    state.counters["lumetra/before"] = ours / before;
}

std::unique_ptr<QProcess> launch(const Program& program, const QStringList& arguments, const Config& config)
{
    desktop().drain();
    return desktop().start(program.path, arguments, config.path());
}

void BM_StartToTrayIcon(benchmark::State& state)
{
    state.SetLabel("ms");
    report(state, 37.3, 37.3, [](const Program& program) -> std::optional<double> {
        const Config config(quietStart);
        const auto started = Clock::now();
        const std::unique_ptr<QProcess> lumetra = launch(program, {}, config);
        const std::optional<Clock::time_point> docked = desktop().waitForDocked(timeoutMs);
        Desktop::stop(*lumetra);
        return docked ? std::optional<double>(msBetween(started, *docked)) : std::nullopt;
    });
}
BENCHMARK(BM_StartToTrayIcon)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ColdCaptureAreaToOverlay(benchmark::State& state)
{
    state.SetLabel("ms");
    report(state, 63.5, 63.5, [](const Program& program) -> std::optional<double> {
        const Config config(quietStart);
        const auto started = Clock::now();
        const std::unique_ptr<QProcess> lumetra = launch(program, {QStringLiteral("--capture-area")}, config);
        const std::optional<Clock::time_point> mapped = desktop().waitForMapped(QStringLiteral("Lumetra Selection"), timeoutMs);
        Desktop::stop(*lumetra);
        return mapped ? std::optional<double>(msBetween(started, *mapped)) : std::nullopt;
    });
}
BENCHMARK(BM_ColdCaptureAreaToOverlay)->Iterations(1)->Unit(benchmark::kMillisecond);

std::optional<double> residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return std::nullopt;
}

void BM_IdleMemoryInTray(benchmark::State& state)
{
    state.SetLabel("MiB");
    report(state, 32.1, 32.0, [](const Program& program) -> std::optional<double> {
        const Config config(quietStart);
        const std::unique_ptr<QProcess> lumetra = launch(program, {}, config);
        std::optional<double> rss;
        if (desktop().waitForDocked(timeoutMs)) {
            QThread::msleep(2000);
            rss = residentMiB(lumetra->processId());
        }
        Desktop::stop(*lumetra);
        return rss;
    });
}
BENCHMARK(BM_IdleMemoryInTray)->Iterations(1)->Unit(benchmark::kMillisecond);

// A running copy with its settings, waited for until `ready` holds.
struct Running {
    Running(const Program& program, const QByteArray& settings, const std::function<bool()>& ready)
        : config(settings)
        , process(launch(program, {}, config))
    {
        ok = desktop().waitForDocked(timeoutMs).has_value();
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (ok && !ready() && Clock::now() < end)
            QThread::msleep(20);
        ok = ok && ready();
        QThread::msleep(300); // the start-up's last drawing is over
    }
    ~Running() { Desktop::stop(*process); }
    Config config;
    std::unique_ptr<QProcess> process;
    bool ok = false;
};

// Presses per program start in the two measures below (the first one included).
constexpr int pressesPerStart = 4;

void BM_HotKeyToOverlayWithEditorOpen(benchmark::State& state)
{
    state.SetLabel("ms");
    const auto editorShown = [] { return desktop().hasClientTitled(QStringLiteral("Lumetra")); };
    report(state, 71.1, 30.0, [&](const Program& program) -> std::optional<double> {
        const Running lumetra(program, "openWindowAtLaunch=true\ncaptureOpensEditor=false\n", editorShown);
        if (!lumetra.ok)
            return std::nullopt;
        std::vector<double> times;
        for (int press = 0; press < pressesPerStart; ++press) {
            desktop().drain();
            const auto pressed = desktop().sendKeys({controlKey, shiftKey, '7'});
            const std::optional<Clock::time_point> mapped
                = desktop().waitForMapped(QStringLiteral("Lumetra Selection"), timeoutMs);
            if (!mapped)
                return std::nullopt;
            times.push_back(msBetween(pressed, *mapped));
            QThread::msleep(150);
            desktop().sendKeys({escapeKey});
            const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
            while (!editorShown() && Clock::now() < end)
                QThread::msleep(20);
            QThread::msleep(300);
        }
        return median(times);
    });
}
BENCHMARK(BM_HotKeyToOverlayWithEditorOpen)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_WindowClickToClipboard(benchmark::State& state)
{
    state.SetLabel("ms");
    // A window to capture: a picture in ImageMagick's viewer, under the window manager.
    QTemporaryDir folder;
    const QString picture = QDir(folder.path()).filePath(QStringLiteral("window.png"));
    {
        QImage image(640, 400, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor(240, 240, 236));
        for (int i = 0; i < 20; ++i)
            painter.fillRect(QRect(20 + 30 * i, 20 + 17 * i, 90, 40), QColor::fromHsv(18 * i, 160, 200));
        painter.end();
        image.save(picture);
    }
    const Config viewerConfig("");
    const std::unique_ptr<QProcess> viewer = desktop().start(
        QStringLiteral("display"),
        {QStringLiteral("-title"), QStringLiteral("Target"), QStringLiteral("-geometry"), QStringLiteral("+400+300"), picture},
        viewerConfig.path());
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!desktop().hasClientTitled(QStringLiteral("Target")) && Clock::now() < end)
        QThread::msleep(20);
    report(state, 84.6, 50.0, [&](const Program& program) -> std::optional<double> {
        const Running lumetra(program, quietStart, [] { return true; });
        if (!lumetra.ok)
            return std::nullopt;
        std::vector<double> times;
        for (int press = 0; press < pressesPerStart; ++press) {
            desktop().movePointer(100, 100);
            desktop().drain();
            desktop().sendKeys({controlKey, shiftKey, '8'});
            if (!desktop().waitForMapped(QStringLiteral("Lumetra Window Picker"), timeoutMs))
                return std::nullopt;
            QThread::msleep(100);
            desktop().movePointer(700 + 10 * press, 500);
            QThread::msleep(300); // the pointer rests on the window, as before a click
            desktop().drain();
            const auto clicked = desktop().click();
            const std::optional<Clock::time_point> owned = desktop().waitForClipboardOwner(timeoutMs);
            if (!owned)
                return std::nullopt;
            times.push_back(msBetween(clicked, *owned));
            QThread::msleep(300);
        }
        return median(times);
    });
    Desktop::stop(*viewer);
}
BENCHMARK(BM_WindowClickToClipboard)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
