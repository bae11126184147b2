// Lumetra's text recognition against the plain reading (the tesseract command line,
// `tesseract page.png - -l chi_sim+chi_tra+eng`, one thread) on generated pages: pages
// no one drew by hand, drawn by headless Chromium from a seed (tests/support/GeneratedPages.h).
// Prints per kind of page: character accuracy, numbers read exactly, each number changed,
// lines lost, split or out of order, ideographs in the other script, and time.
//
//   cmake --build build --target bench_recognition_pages
//   build/bench/bench_recognition_pages --seed 7 --pages 300 [--jobs 2] [--kinds receipt,invoice]
//       [--first 0] [--keep DIR] [--show N] [--quiet]
//
// The same seed draws the same pages; --keep writes each page's HTML, screenshot, drawn
// text and both readings to DIR. `make bench` runs it on 27 pages.
#include "Output/GeneratedPageReadings.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

struct KindTotals {
    int pages = 0;
    ReadingScore ours, plain; // summed
    int onlyPlain = 0, orderBroken = 0, belowFloor = 0, slower = 0;
    std::vector<double> oursMs, plainMs;
};

void add(ReadingScore& sum, const ReadingScore& s)
{
    sum.characters += s.characters;
    sum.wrong += s.wrong;
    sum.numbers += s.numbers;
    sum.numbersExact += s.numbersExact;
    sum.lines += s.lines;
    sum.linesLost += s.linesLost;
    sum.linesOutOfOrder += s.linesOutOfOrder;
    sum.linesSplit += s.linesSplit;
    sum.scriptErrors += s.scriptErrors;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printRow(const QString& kind, const KindTotals& t)
{
    const auto pct = [](const ReadingScore& s) { return s.accuracy() * 100; };
    std::printf("%-14s %5d  %5.1f / %5.1f  %5d / %5d of %5d  %4d  %3d / %3d  %3d / %3d  %3d / %3d  %4d  %3d / %3d  %6.0f / %6.0f  %3d  %3d\n",
                kind.toUtf8().constData(), t.pages, pct(t.ours), pct(t.plain), t.ours.numbersExact, t.plain.numbersExact, t.ours.numbers,
                t.onlyPlain, t.ours.linesLost, t.plain.linesLost, t.ours.linesOutOfOrder, t.plain.linesOutOfOrder, t.ours.linesSplit,
                t.plain.linesSplit, t.orderBroken, t.ours.scriptErrors, t.plain.scriptErrors, median(t.oursMs), median(t.plainMs), t.slower,
                t.belowFloor);
}

int usage()
{
    std::fprintf(stderr, "usage: bench_recognition_pages [--seed S] [--pages N] [--first I] [--jobs J] [--kinds a,b] "
                         "[--keep DIR] [--show N] [--quiet]\nkinds: %s\n",
                 GeneratedPages::kinds().join(QLatin1Char(',')).toUtf8().constData());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    PageRun run;
    run.seed = 7;
    run.count = 27;
    int show = 40;
    bool quiet = false;
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& a = arguments[k];
        const auto value = [&]() -> QString { return k + 1 < arguments.size() ? arguments[++k] : QString(); };
        bool ok = true;
        if (a == QLatin1String("--seed"))
            run.seed = value().toUInt(&ok);
        else if (a == QLatin1String("--pages"))
            run.count = value().toInt(&ok);
        else if (a == QLatin1String("--first"))
            run.first = value().toInt(&ok);
        else if (a == QLatin1String("--jobs") || a == QLatin1String("-j"))
            run.jobs = value().toInt(&ok);
        else if (a == QLatin1String("--kinds"))
            run.kinds = value().split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (a == QLatin1String("--keep"))
            run.keepIn = value();
        else if (a == QLatin1String("--show"))
            show = value().toInt(&ok);
        else if (a == QLatin1String("--quiet"))
            quiet = true;
        else if (a.startsWith(QLatin1String("--benchmark_"))) // as `make bench` runs every benchmark
            continue;
        else
            return usage();
        if (!ok)
            return usage();
    }
    for (const QString& kind : run.kinds)
        if (!GeneratedPages::kinds().contains(kind))
            return usage();
    if (const QString missing = generatedPagesMissing(); !missing.isEmpty()) {
        std::fprintf(stderr, "bench_recognition_pages: missing %s\n", missing.toUtf8().constData());
        return 1;
    }

    std::vector<PageReading> readings;
    QElapsedTimer clock;
    clock.start();
    readGeneratedPages(run, [&](const PageReading& r) {
        readings.push_back(r);
        if (!quiet)
            std::fprintf(stderr, "[%zu/%d] %s: %.1f%% / %.1f%%, numbers %d / %d of %d, %.0f / %.0f ms%s%s\n", readings.size(), run.count,
                         r.page.description(r.index).toUtf8().constData(), r.score.ours.accuracy() * 100, r.score.plain.accuracy() * 100,
                         r.score.ours.numbersExact, r.score.plain.numbersExact, r.score.ours.numbers, r.oursMs, r.plainMs,
                         r.failure.isEmpty() ? "" : ", FAILED: ", r.failure.toUtf8().constData());
    });
    std::sort(readings.begin(), readings.end(), [](const PageReading& a, const PageReading& b) { return a.index < b.index; });

    std::map<QString, KindTotals> kinds, scripts;
    KindTotals all;
    int failed = 0;
    for (const PageReading& r : readings) {
        if (!r.failure.isEmpty()) {
            ++failed;
            continue;
        }
        for (KindTotals* t : {&kinds[r.page.kind], &scripts[r.page.kind + (r.page.chinese() ? QStringLiteral("/zh") : QStringLiteral("/en"))], &all}) {
            ++t->pages;
            add(t->ours, r.score.ours);
            add(t->plain, r.score.plain);
            t->onlyPlain += r.score.numbersOnlyPlain;
            t->orderBroken += r.score.orderBroken;
            t->belowFloor += !PageScoring::belowTheFloor(r.score).isEmpty();
            t->slower += r.oursMs >= r.plainMs;
            t->oursMs.push_back(r.oursMs);
            t->plainMs.push_back(r.plainMs);
        }
    }
    std::printf("\nseed %u, pages %d from %d, %d jobs, %.0f s%s\n", run.seed, run.count, run.first, run.jobs, double(clock.elapsed()) / 1000,
                failed ? qPrintable(QStringLiteral(", %1 pages not drawn or read").arg(failed)) : "");
    std::printf("Lumetra / plain reading. numbers: exact of drawn; P-only: exact in the plain reading only; lines lost, out of order, split;\n"
                "broken: lines the plain reading keeps whole and in order that Lumetra does not; script: ideographs in the other script;\n"
                "ms: median time (Lumetra with its engines loaded ahead); slower: pages where Lumetra took as long or longer; floor: pages below it\n\n");
    std::printf("%-14s %5s  %13s  %23s  %4s  %9s  %9s  %9s  %4s  %9s  %15s  %3s  %3s\n", "kind", "pages", "accuracy %", "numbers exact", "P-only",
                "lost", "order", "split", "brkn", "script", "ms", "slw", "flr");
    for (const auto& [kind, totals] : kinds)
        printRow(kind, totals);
    printRow(QStringLiteral("all"), all);
    std::printf("\nBy the page's main script (zh: at least a fifth of its characters ideographs):\n");
    for (const auto& [kind, totals] : scripts)
        printRow(kind, totals);

    std::printf("\nNumbers the plain reading reads exactly and Lumetra does not (drawn -> Lumetra):\n");
    int shown = 0;
    for (const PageReading& r : readings)
        for (const NumberChange& c : r.score.changed)
            if (c.plainExact && !c.oursExact && shown++ < show)
                std::printf("  %-28s %s -> %s\n", r.page.description(r.index).section(QLatin1Char(' '), 0, 1).toUtf8().constData(),
                            c.drawn.toUtf8().constData(), c.ours.isEmpty() ? "(lost)" : c.ours.toUtf8().constData());
    std::printf("\nOther numbers changed (drawn -> Lumetra / plain):\n");
    shown = 0;
    for (const PageReading& r : readings)
        for (const NumberChange& c : r.score.changed)
            if (!c.plainExact && shown++ < show)
                std::printf("  %-28s %s -> %s / %s\n", r.page.description(r.index).section(QLatin1Char(' '), 0, 1).toUtf8().constData(),
                            c.drawn.toUtf8().constData(), c.oursExact ? "(exact)" : c.ours.isEmpty() ? "(lost)" : c.ours.toUtf8().constData(),
                            c.plain.isEmpty() ? "(lost)" : c.plain.toUtf8().constData());
    std::printf("\nPages below the plain reading:\n");
    for (const PageReading& r : readings)
        if (r.failure.isEmpty())
            if (const QStringList why = PageScoring::belowTheFloor(r.score); !why.isEmpty())
                std::printf("  %s: %s\n", r.page.description(r.index).toUtf8().constData(), why.join(QStringLiteral("; ")).toUtf8().constData());
    for (const PageReading& r : readings)
        if (!r.failure.isEmpty())
            std::printf("  %s: not read: %s\n", r.page.description(r.index).toUtf8().constData(), r.failure.toUtf8().constData());
    return 0;
}
