#include "Capture/ShadowCanvas.h"

#include "Output/ShadowBlur.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ShadowCanvas {

Geometry geometry(const QSize& imagePixels, double scale)
{
    const double s = std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
    Geometry g;
    g.margin = int(std::lround(marginPoints * s));
    g.canvasSize = QSize(imagePixels.width() + 2 * g.margin, imagePixels.height() + 2 * g.margin);
    g.imageOrigin = QPoint(g.margin, g.margin);
    g.blur = blurPoints * s;
    g.offsetY = int(std::lround(offsetPoints * s));
    return g;
}

std::optional<QImage> makeShadowCanvas(const QImage& image, double scale)
{
    if (image.isNull())
        return std::nullopt;
    const Geometry g = geometry(image.size(), scale);
    QImage canvas(g.canvasSize, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return std::nullopt;
    canvas.fill(Qt::transparent);

    // The shadow is the window's rectangle moved down and blurred: the product of one
    // blurred edge profile per axis. Only the canvas around the opaque window shows it.
    const QRect imageRect(g.imageOrigin, image.size());
    const double sigma = g.blur / 2.0;
    const std::vector<float> across
        = ShadowBlur::blurredSpan(canvas.width(), imageRect.left(), imageRect.right() + 1, sigma);
    const std::vector<float> down = ShadowBlur::blurredSpan(canvas.height(), imageRect.top() + g.offsetY,
                                                            imageRect.bottom() + 1 + g.offsetY, sigma);
    const float strength = float(shadowOpacity) * 255.0f;
    for (const QRect& region : ShadowBlur::regionsAround(canvas.rect(), imageRect)) {
        for (int y = region.top(); y <= region.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            const float rowStrength = down[size_t(y)] * strength;
            for (int x = region.left(); x <= region.right(); ++x)
                row[x] = qRgba(0, 0, 0, std::min(255, int(across[size_t(x)] * rowStrength + 0.5f)));
        }
    }

    // The window is opaque: its rows are copied in as they are (RGB32 keeps its alpha
    // byte at 0xff), which is several times quicker than drawing it.
    const QImage source = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (source.isNull())
        return std::nullopt;
    const size_t rowBytes = size_t(source.width()) * 4;
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(canvas.scanLine(g.imageOrigin.y() + y) + size_t(g.imageOrigin.x()) * 4, source.constScanLine(y),
                    rowBytes);
    // Every pixel is opaque or pure black, which read the same premultiplied or not:
    // saying so spares the PNG writer a conversion of the whole canvas.
    canvas.reinterpretAsFormat(QImage::Format_ARGB32);
    return canvas;
}

} // namespace ShadowCanvas
