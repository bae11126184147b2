// Editor core costs: an undo snapshot must not grow with the image, and a large PNG
// must load from disk into the view model without holding the UI thread.
#include "Models/ImageEditorViewModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

Image filledImage(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 120, 200));
    return Image(image);
}

void BM_UndoSnapshot(benchmark::State& state)
{
    const int side = int(state.range(0));
    ImageEditorViewModel model;
    model.setLoadedImage(filledImage(side, side), QUrl::fromLocalFile(QStringLiteral("/tmp/bench.png")));
    for (int i = 0; i < 20; ++i) {
        ArrowAnnotation arrow;
        arrow.endPoint = { 0.5, 0.5 };
        model.annotationManager()->appendArrow(arrow);
    }
    for (auto _ : state)
        model.saveUndoState();
    state.SetLabel(QStringLiteral("%1 MP").arg(double(side) * side / 1e6, 0, 'f', 0).toStdString());
}
BENCHMARK(BM_UndoSnapshot)->Arg(1000)->Arg(10000);

void BM_LoadLargePng(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.png"));
    {
        QImage image(16000, 4000, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, 16000, 4000);
        gradient.setColorAt(0, Qt::white);
        gradient.setColorAt(1, Qt::darkBlue);
        painter.fillRect(image.rect(), gradient);
        for (int x = 0; x < 16000; x += 97)
            painter.fillRect(x, (x * 7) % 4000, 40, 40, Qt::red);
        painter.end();
        QImageWriter writer(path, "png");
        if (!writer.write(image)) {
            state.SkipWithError("could not write the PNG");
            return;
        }
    }
    const QUrl url = QUrl::fromLocalFile(path);

    qint64 longestStallMs = 0;
    for (auto _ : state) {
        ImageEditorViewModel model;
        QEventLoop loop;
        QObject::connect(&model, &ImageEditorViewModel::imageLoadFinished, &loop, &QEventLoop::quit);
        // A 10 ms timer measures how long the main thread is kept from its events.
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestStallMs = std::max(longestStallMs, sinceTick.restart());
        });
        sinceTick.start();
        ticker.start();
        model.loadImage(url);
        loop.exec();
        ticker.stop();
        longestStallMs = std::max(longestStallMs, sinceTick.elapsed());
        if (!model.selectedImage() || model.originalImageSize() != QSizeF(16000, 4000))
            state.SkipWithError("the PNG was not installed");
    }
    state.counters["longest_main_thread_gap_ms"] = double(longestStallMs);
}
BENCHMARK(BM_LoadLargePng)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
