// Scrolling capture over many generated pages, each at the view's whole height and at
// a lower selection, through the real session, recording loop and stitcher on a clock
// moved by hand. Prints, per mix of what the pages hold, how many captures came out
// exact, how many ended with a true message, how many gave up ("Stopped Early" on a page
// that could have been followed), how many went wrong (a band twice, a row lost without
// a word, a false message), and the rows captured per second; then each capture that is
// not exact with the line that replays it alone.
//
//   bench_scroll_pages [--seed S] [--pages N] [--first K] [--jobs J]
//   bench_scroll_pages --seed S --page P [--height H] [--verbose] [--save DIR]   (one page alone;
//       --save keeps each delivered image in DIR)
//
// Without --pages it runs three pages, so that `make bench` stays short.
#include "GeneratedScrollCapture.h"

#include "Base/Logger.h"
#include "Capture/CaptureLog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <vector>

using namespace GeneratedScrollPage;

namespace {

struct Options {
    quint64 seed = 1;
    int first = 0;
    int pages = 3;
    int onlyPage = -1;
    int onlyHeight = 0;
    int jobs = 1;
    int stride = 1, offset = 0; // a worker's share of the pages
    bool worker = false;
    bool verbose = false;
    QString saveTo; // a folder for the delivered images of a page run alone
};

// One capture's result as a worker hands it to the run that started it.
struct Result {
    int page = 0;
    int height = 0;
    unsigned features = 0;
    QString kind;
    int rows = 0;
    qint64 captureMs = 0, wallMs = 0;
    QString what;
    QString toLine() const
    {
        return QStringLiteral("R\t%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8")
            .arg(page).arg(height).arg(features).arg(kind).arg(rows).arg(captureMs).arg(wallMs)
            .arg(QString(what).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    static std::optional<Result> fromLine(const QString& line)
    {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() != 9 || f[0] != QLatin1String("R"))
            return std::nullopt;
        return Result{f[1].toInt(), f[2].toInt(), f[3].toUInt(), f[4], f[5].toInt(), f[6].toLongLong(), f[7].toLongLong(), f[8]};
    }
};

std::vector<Result> capturePage(const Options& o, int index)
{
    std::vector<Result> results;
    const Description page = describe(o.seed, index);
    if (o.verbose || o.onlyPage >= 0)
        std::fprintf(stderr, "%s\n", qPrintable(page.summary()));
    for (const int height : page.selectionHeights) {
        if (o.onlyHeight > 0 && height != o.onlyHeight)
            continue;
        const Capture capture = runCapture(page, height);
        const Verdict verdict = judge(page, capture);
        if (!o.saveTo.isEmpty() && !capture.image.isNull())
            capture.image.save(QStringLiteral("%1/seed%2-page%3-%4.png").arg(o.saveTo).arg(o.seed).arg(index).arg(height));
        results.push_back({index, height, page.features, QLatin1String(kindName(verdict.kind)), verdict.rowsCaptured,
                           capture.captureMs, capture.wallMs, verdict.what});
        if (o.onlyPage >= 0 || o.verbose)
            std::fprintf(stderr, "  selection %d px: %s%s%s (%d rows, %.1f s on the capture's clock, %.1f s here)\n", height,
                         kindName(verdict.kind), verdict.what.isEmpty() ? "" : ": ", qPrintable(verdict.what),
                         verdict.rowsCaptured, capture.captureMs / 1000.0, capture.wallMs / 1000.0);
    }
    return results;
}

std::vector<Result> runWorkers(const Options& o, const QString& program)
{
    std::vector<QProcess*> workers;
    for (int j = 0; j < o.jobs; ++j) {
        auto* process = new QProcess;
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(program, {QStringLiteral("--worker"), QStringLiteral("--seed"), QString::number(o.seed),
                                 QStringLiteral("--first"), QString::number(o.first), QStringLiteral("--pages"),
                                 QString::number(o.pages), QStringLiteral("--stride"), QString::number(o.jobs),
                                 QStringLiteral("--offset"), QString::number(j)});
        workers.push_back(process);
    }
    std::vector<Result> results;
    for (QProcess* process : workers) {
        process->waitForFinished(-1);
        if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
            std::fprintf(stderr, "a worker ended with %d\n", process->exitCode());
        for (const QString& line : QString::fromUtf8(process->readAllStandardOutput()).split(QLatin1Char('\n')))
            if (const auto r = Result::fromLine(line))
                results.push_back(*r);
        delete process;
    }
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return a.page != b.page ? a.page < b.page : a.height > b.height;
    });
    return results;
}

void printTable(const Options& o, const std::vector<Result>& results, qint64 wallMs)
{
    struct Tally {
        std::map<int, bool> pages;
        int captures = 0, exact = 0, told = 0, gaveUp = 0, wrong = 0;
        qint64 rows = 0, captureMs = 0, wallMs = 0;
        void add(const Result& r)
        {
            pages[r.page] = true;
            ++captures;
            exact += r.kind == QLatin1String("exact");
            told += r.kind == QLatin1String("told");
            gaveUp += r.kind == QLatin1String(kindName(Verdict::Kind::gaveUp));
            wrong += r.kind == QLatin1String("wrong");
            rows += r.rows;
            captureMs += r.captureMs;
            wallMs += r.wallMs;
        }
    };
    std::vector<std::pair<QString, Tally>> table;
    for (int f = 0; f < featureCount; ++f)
        table.push_back({QLatin1String(featureName(Feature(1u << f))), {}});
    table.push_back({QStringLiteral("none of these"), {}});
    Tally all;
    for (const Result& r : results) {
        for (int f = 0; f < featureCount; ++f)
            if (r.features & (1u << f))
                table[std::size_t(f)].second.add(r);
        if (r.features == 0)
            table.back().second.add(r);
        all.add(r);
    }
    table.push_back({QStringLiteral("all pages"), all});
    std::printf("\nseed %llu, pages %d-%d, %d captures, %.1f min on this machine\n\n", static_cast<unsigned long long>(o.seed),
                o.first, o.first + o.pages - 1, all.captures, wallMs / 60000.0);
    std::printf("| mix | pages | captures | exact | told | gave up | wrong | rows/s (capture's clock) | rows/s (this machine) |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const auto& [name, t] : table) {
        if (t.captures == 0)
            continue;
        std::printf("| %s | %zu | %d | %d | %d | %d | %d | %.1f | %.1f |\n", qPrintable(name), t.pages.size(), t.captures, t.exact,
                    t.told, t.gaveUp, t.wrong, t.captureMs ? t.rows * 1000.0 / t.captureMs : 0.0,
                    t.wallMs ? t.rows * 1000.0 / t.wallMs : 0.0);
    }
    std::printf("\n(a page counts in the line of every feature it holds)\n");
    bool header = false;
    for (const Result& r : results) {
        if (r.kind == QLatin1String("exact"))
            continue;
        if (!header) {
            std::printf("\nnot exact:\n");
            header = true;
        }
        const Description page = describe(o.seed, r.page);
        std::printf("  %s page %d, selection %d px [%s]: %s\n    replay: bench_scroll_pages --seed %llu --page %d --height %d\n",
                    qPrintable(r.kind.toUpper()), r.page, r.height, qPrintable(page.mix()), qPrintable(r.what),
                    static_cast<unsigned long long>(o.seed), r.page, r.height);
    }
}

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&] { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QLatin1String("--seed"))
            o.seed = value().toULongLong();
        else if (a == QLatin1String("--pages"))
            o.pages = value().toInt();
        else if (a == QLatin1String("--first"))
            o.first = value().toInt();
        else if (a == QLatin1String("--page"))
            o.onlyPage = value().toInt();
        else if (a == QLatin1String("--height"))
            o.onlyHeight = value().toInt();
        else if (a == QLatin1String("--jobs"))
            o.jobs = std::clamp(value().toInt(), 1, 8);
        else if (a == QLatin1String("--stride"))
            o.stride = std::max(1, value().toInt());
        else if (a == QLatin1String("--offset"))
            o.offset = value().toInt();
        else if (a == QLatin1String("--worker"))
            o.worker = true;
        else if (a == QLatin1String("--verbose"))
            o.verbose = true;
        else if (a == QLatin1String("--save"))
            o.saveTo = value();
        // Anything else (make bench passes --benchmark_* options) is left alone.
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings the captures write go to a folder of their own.
    QTemporaryDir settings;
    if (qEnvironmentVariableIsEmpty("LUMETRA_CONFIG_DIR"))
        qputenv("LUMETRA_CONFIG_DIR", settings.path().toUtf8());
    QApplication app(argc, argv);
    const Options o = parse(app.arguments());
    // Only the capture's own diagnostics, and only when asked for.
    Logger::shared().setThreshold(o.verbose ? LogLevel::debug : LogLevel::error);
    setCaptureDiagnosticSink([verbose = o.verbose](const QString& line) {
        if (verbose)
            std::fprintf(stderr, "%s\n", qPrintable(line));
    });

    if (o.onlyPage >= 0) {
        const std::vector<Result> results = capturePage(o, o.onlyPage);
        return std::any_of(results.begin(), results.end(), [](const Result& r) {
                   return r.kind == QLatin1String("wrong") || r.kind == QLatin1String(kindName(Verdict::Kind::gaveUp));
               }) ? 1 : 0;
    }
    if (o.worker) {
        for (int index = o.first + o.offset; index < o.first + o.pages; index += o.stride)
            for (const Result& r : capturePage(o, index)) {
                std::printf("%s\n", qPrintable(r.toLine()));
                std::fflush(stdout);
            }
        return 0;
    }
    QElapsedTimer timer;
    timer.start();
    std::vector<Result> results;
    if (o.jobs > 1) {
        results = runWorkers(o, app.applicationFilePath());
    } else {
        for (int index = o.first; index < o.first + o.pages; ++index)
            for (const Result& r : capturePage(o, index))
                results.push_back(r);
    }
    printTable(o, results, timer.elapsed());
    return 0;
}
