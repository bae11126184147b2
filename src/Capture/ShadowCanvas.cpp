#include "Capture/ShadowCanvas.h"

#include "Output/ShadowBlur.h"

#include <QPainter>

#include <cmath>

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
    QImage mask(g.canvasSize, QImage::Format_Alpha8);
    if (canvas.isNull() || mask.isNull())
        return std::nullopt;
    canvas.fill(Qt::transparent);
    mask.fill(0);

    const QRect imageRect(g.imageOrigin, image.size());
    const QRect shadowRect = imageRect.translated(0, g.offsetY);
    {
        QPainter painter(&mask);
        painter.fillRect(shadowRect, Qt::black);
    }
    // The window is opaque and painted over its shadow: the blur is worked out only
    // where some of it can show.
    const double sigma = g.blur / 2.0;
    const int inset = ShadowBlur::reach(sigma) + 1;
    const QRect covered = imageRect.intersected(shadowRect).adjusted(inset, inset, -inset, -inset);
    ShadowBlur::compositeShadow(canvas, mask, ShadowBlur::regionsAround(canvas.rect(), covered), sigma,
                                shadowOpacity);

    QPainter painter(&canvas);
    if (!painter.isActive())
        return std::nullopt;
    QImage source = image;
    source.setDevicePixelRatio(1.0);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(g.imageOrigin, source);
    return canvas;
}

} // namespace ShadowCanvas
