// Text recognition of a 1920 x 1080 screenshot holding 40 lines of mixed Chinese and
// English: the whole run with its engines' start, on every core and on one, and the
// engines' start alone (the difference is the reading with the engines already up),
// and the making of the page the engines read.
// Counters: chars = characters recognised, lines = lines in the result.
#include "Output/TesseractRecognizer.h"
#include "Output/TextInk.h"
#include "Output/TextRecognition.h"

#include <QFont>
#include <QPainter>
#include <benchmark/benchmark.h>

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

const QImage& grey()
{
    static const QImage image = *TextRecognition::makeRecognitionImage(Image(makeTextScreenshot()));
    return image;
}

void recognise(benchmark::State& state, int engines)
{
    TesseractRecognizer::Options options;
    options.maxEngines = engines;
    TextRecognitionResult result;
    for (auto _ : state) {
        result = TesseractRecognizer::recognize(grey(), options);
        benchmark::DoNotOptimize(result.text);
    }
    state.counters["chars"] = double(result.text.size());
    state.counters["lines"] = double(result.text.count(QLatin1Char('\n')) + (result.text.isEmpty() ? 0 : 1));
    if (result.failure)
        state.SkipWithError(result.failure->toUtf8().constData());
}

void BM_RecognizeScreenshotAllCores(benchmark::State& state) { recognise(state, 0); }
void BM_RecognizeScreenshotOneCore(benchmark::State& state) { recognise(state, 1); }

// An image with nothing on it: the engines' start and the line search, nothing to read.
void BM_EngineStartOnly(benchmark::State& state)
{
    QImage blank(1920, 1080, QImage::Format_Grayscale8);
    blank.fill(250);
    TesseractRecognizer::Options options;
    options.maxEngines = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(TesseractRecognizer::recognize(blank, options));
}

void BM_PrepareRecognitionImage(benchmark::State& state)
{
    const Image image(makeTextScreenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRecognition::makeRecognitionImage(image));
}

// Turning the page into dark ink on white paper, before the engines read it.
void BM_InkOnPaper(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TextRecognition::inkOnPaper(grey()));
}

} // namespace

BENCHMARK(BM_RecognizeScreenshotAllCores)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RecognizeScreenshotOneCore)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_EngineStartOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PrepareRecognitionImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InkOnPaper)->Unit(benchmark::kMillisecond)->UseRealTime();
