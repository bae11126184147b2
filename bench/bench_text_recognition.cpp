// Text recognition of a 1920 x 1080 screenshot holding 40 lines of Simplified and
// Traditional Chinese and English, side by side with the tesseract command line in the
// same three languages on one thread (OMP_THREAD_LIMIT=1), in one run:
//   BM_KeyToCardAgainstCommandLine: with the editor open for a moment first (as a user
//     meets it: a reading program is kept ready from a moment after it opens), from the
//     editor's start of a reading to the card showing the text, then the command line on
//     the same page. LUMETRA_BENCH_OCR_PAGES, a list of PNG files joined with ':', names
//     pages to measure instead, each a run of its own. Counters: ours_ms,
//     cli_ms, ratio (ours / command line), peak_MiB (this process's and the reading
//     program's peaks above the idle process), after_MiB (this process two seconds after
//     the card showed, above idle), chars.
//   BM_KeyAtOnceToCardAgainstCommandLine: the same with the key pressed as the editor
//     opens, before any reading program waits: the program starts with the reading.
//   BM_PrepareRecognitionImage, BM_InkOnPaper: the steps before the reading program.
#include "Models/ImageEditorViewModel.h"
#include "Output/TextInk.h"
#include "Output/TextRecognition.h"
#include "Output/TextRecognitionController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

QImage makeTextScreenshot()
{
    static const QStringList chinese = {
        QStringLiteral("今天的会议改到下午三点"), QStringLiteral("请在周五之前提交报告"),
        QStringLiteral("服务器已经重新启动"),     QStringLiteral("用户界面需要更新"),
        QStringLiteral("數據庫連接已經恢復"),     QStringLiteral("請檢查網絡設置"),
        QStringLiteral("系統將在十分鐘後維護"),
    };
    static const QStringList english = {
        QStringLiteral("Build 4521 passed all tests"), QStringLiteral("Open the settings window"),
        QStringLiteral("Error code 404: page not found"), QStringLiteral("Version 2.3.1 released"),
        QStringLiteral("Click Save to continue"),
    };
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(250, 250, 252));
    QPainter painter(&image);
    // Window chrome: a title bar and a side bar, as a screenshot has them.
    painter.fillRect(QRect(0, 0, 1920, 40), QColor(228, 230, 234));
    painter.fillRect(QRect(0, 40, 260, 1040), QColor(240, 242, 245));
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor(30, 30, 30));
    for (int i = 0; i < 40; ++i) {
        const QString line = chinese[i % chinese.size()] + QLatin1Char(' ') + english[i % english.size()]
            + QLatin1Char(' ') + QString::number(i + 1);
        painter.drawText(QPoint(300 + (i / 20) * 820, 90 + (i % 20) * 46), line);
    }
    return image;
}

void wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

const QImage& grey()
{
    static const QImage image = *TextRecognition::makeRecognitionImage(Image(makeTextScreenshot()));
    return image;
}

double statusMiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// `file` empty: the built-in screenshot. `ready`: the editor has been open a moment, so
// that a reading program waits with its engines loaded; else the key comes at once.
void keyToCardAgainstCommandLine(benchmark::State& state, const QString& file, bool ready)
{
    QTemporaryDir folder;
    const QImage page = file.isEmpty() ? makeTextScreenshot() : QImage(file);
    if (page.isNull()) {
        state.SkipWithError("the page cannot be read");
        return;
    }
    const QString pageFile = file.isEmpty() ? folder.filePath(QStringLiteral("page.png")) : file;
    if (file.isEmpty())
        page.save(pageFile);
    ImageEditorViewModel model;
    model.setLoadedImage(Image(page), QUrl());
    TextRecognitionController controller(model);
    if (ready) {
        controller.setEditorOpen(true);
        wait(TextRecognitionController::readyDelayMilliseconds + 500);
    }
    double ours = 0, theirs = 0, peak = 0, after = 0;
    QString text;
    for (auto _ : state) {
        model.setOcrPanelState(std::nullopt);
        wait(200);
        const double idle = statusMiB("VmRSS:");
        QFile clear(QStringLiteral("/proc/self/clear_refs")); // VmHWM from here on
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        QElapsedTimer timer;
        timer.start();
        controller.startTextRecognition();
        while (!model.ocrPanelState() || model.ocrPanelState()->isRecognizing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ours += double(timer.nsecsElapsed()) / 1e6;
        text = model.ocrPanelState()->recognizedText();
        // The largest child so far is a reading program: the command line runs after it.
        rusage children{};
        ::getrusage(RUSAGE_CHILDREN, &children);
        peak = std::max(peak, statusMiB("VmHWM:") - idle + double(children.ru_maxrss) / 1024.0);
        wait(2000);
        after = std::max(after, statusMiB("VmRSS:") - idle);

        QProcess cli;
        cli.setProcessEnvironment([] {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
            return environment;
        }());
        timer.restart();
        cli.start(QStringLiteral("tesseract"), {pageFile, QStringLiteral("-"), QStringLiteral("-l"), QStringLiteral("chi_sim+chi_tra+eng")});
        if (!cli.waitForFinished(300000) || cli.exitCode() != 0) {
            state.SkipWithError("the tesseract command line (package tesseract-ocr) did not run");
            return;
        }
        theirs += double(timer.nsecsElapsed()) / 1e6;
    }
    const double n = double(state.iterations());
    state.counters["ours_ms"] = ours / n;
    state.counters["cli_ms"] = theirs / n;
    state.counters["ratio"] = ours / std::max(1.0, theirs);
    state.counters["peak_MiB"] = peak;
    state.counters["after_MiB"] = after;
    state.counters["chars"] = double(text.size());
    if (text.isEmpty())
        state.SkipWithError("nothing was read");
}

void BM_PrepareRecognitionImage(benchmark::State& state)
{
    const Image image(makeTextScreenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRecognition::makeRecognitionImage(image));
}

// Turning the page into dark ink on white paper, before the reading program reads it.
void BM_InkOnPaper(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRecognition::inkOnPaper(grey()));
}

} // namespace

// The built-in page, or each page LUMETRA_BENCH_OCR_PAGES names.
const bool keyToCardRegistered = [] {
    QStringList pages = QString::fromLocal8Bit(qgetenv("LUMETRA_BENCH_OCR_PAGES")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (pages.isEmpty())
        pages << QString();
    for (const QString& page : pages)
        for (const bool ready : {true, false}) {
            const std::string name = std::string(ready ? "BM_KeyToCardAgainstCommandLine" : "BM_KeyAtOnceToCardAgainstCommandLine")
                + (page.isEmpty() ? std::string() : "/" + QFileInfo(page).fileName().toStdString());
            benchmark::RegisterBenchmark(name.c_str(), keyToCardAgainstCommandLine, page, ready)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(3);
        }
    return true;
}();
BENCHMARK(BM_PrepareRecognitionImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InkOnPaper)->Unit(benchmark::kMillisecond)->UseRealTime();
