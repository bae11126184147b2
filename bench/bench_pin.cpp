// Pinning a 1920 x 1080 screenshot: from the pin command to the pin window exposed on
// the screen (fingerprint, snapshot, flattening off the main thread, the window shown).
// Run with QT_QPA_PLATFORM=xcb on an X display to include the server's mapping; the
// default offscreen platform measures Lumetra's own part alone. Also the fingerprint
// alone, which the command computes on the main thread.
#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "Output/PinFingerprint.h"
#include "Output/PinManager.h"
#include "Output/PinWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWindow>
#include <benchmark/benchmark.h>

namespace {

Image screenshot()
{
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, 1920, 1080);
    wallpaper.setColorAt(0, QColor(40, 70, 120));
    wallpaper.setColorAt(1, QColor(160, 90, 140));
    painter.fillRect(image.rect(), wallpaper);
    painter.fillRect(QRect(200, 150, 1200, 700), QColor(248, 248, 250));
    painter.setPen(Qt::black);
    for (int y = 200; y < 820; y += 20)
        painter.drawText(240, y, QStringLiteral("Line of window text %1 with some words").arg(y));
    return Image(image);
}

void BM_PinOpen(benchmark::State& state)
{
    ImageEditorViewModel model;
    model.setIsBackdropEnabled(false);
    model.setLoadedImage(screenshot(), QUrl());
    ImageOutputController controller(model);
    PinManager& pins = PinManager::shared();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        controller.pinToScreen();
        while (pins.activePinCount() == 0 || !pins.pinWindows().first()->windowHandle()
               || !pins.pinWindows().first()->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        pins.pinWindows().first()->close();
        QCoreApplication::processEvents();
    }
}

void BM_PinFingerprint(benchmark::State& state)
{
    const Image image = screenshot();
    AnnotationManager annotations;
    for (auto _ : state)
        benchmark::DoNotOptimize(pinFingerprint(image, annotations, 0.0, std::nullopt));
}

} // namespace

BENCHMARK(BM_PinOpen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(BM_PinFingerprint)->Unit(benchmark::kMillisecond);
