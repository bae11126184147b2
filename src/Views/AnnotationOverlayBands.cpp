#include "Views/AnnotationOverlayBands.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace OverlayBands {

namespace {

// A band lower than this costs more in per-shape setup than it saves.
constexpr int minimumBandHeight = 64;

} // namespace

int bandCount(int height)
{
    const int threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    return std::clamp(height / minimumBandHeight, 1, threads);
}

void paintInBands(QImage& target, const std::function<void(QPainter&)>& paint)
{
    if (target.isNull())
        return;
    // Bands start on whole logical rows; with a fractional pixel ratio they could not.
    const qreal ratio = target.devicePixelRatio();
    const int step = int(std::lround(ratio));
    const bool wholeRatio = step >= 1 && std::abs(ratio - step) < 1e-9;
    const int bands = wholeRatio ? bandCount(target.height() / step) : 1;
    if (bands <= 1) {
        QPainter painter(&target);
        paint(painter);
        return;
    }

    // Each band is an image of its own over the target's rows, so no two painters
    // share a paint device.
    uchar* bits = target.bits();
    const qsizetype stride = target.bytesPerLine();
    const int rows = target.height() / step;  // logical rows
    struct Band {
        int top;
        int height;
    };
    std::vector<Band> parts;
    for (int i = 0; i < bands; ++i) {
        const int top = int(qint64(rows) * i / bands) * step;
        const int bottom = i + 1 == bands ? target.height() : int(qint64(rows) * (i + 1) / bands) * step;
        parts.push_back({top, bottom - top});
    }
    QtConcurrent::blockingMap(parts, [&](const Band& band) {
        QImage view(bits + band.top * stride, target.width(), band.height, stride, target.format());
        view.setDevicePixelRatio(ratio);
        QPainter painter(&view);
        // Logical coordinates of the whole target, shown through this band's window.
        const int width = int(std::ceil(target.width() / ratio));
        const int height = int(std::ceil(band.height / ratio));
        painter.setWindow(QRect(0, band.top / step, width, height));
        painter.setViewport(QRect(0, 0, width, height));
        paint(painter);
    });
}

} // namespace OverlayBands
