#include "Models/ImageResampling.h"

#include <QPainter>

#include <cmath>

std::optional<int> ImageResampling::pixelSide(double requested)
{
    if (!std::isfinite(requested))
        return std::nullopt;
    const double rounded = std::round(requested); // halves away from zero
    if (rounded > maximumResampledSide)
        return std::nullopt;
    return std::max(1, static_cast<int>(rounded));
}

Image resampledImage(double width, double height, const Image& source)
{
    const std::optional<int> pixelWidth = ImageResampling::pixelSide(width);
    const std::optional<int> pixelHeight = ImageResampling::pixelSide(height);
    if (!pixelWidth || !pixelHeight || source.isNull())
        return source;

    QImage bitmap(*pixelWidth, *pixelHeight, QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull()) // allocation refused
        return source;
    bitmap.fill(Qt::transparent);

    // Explicit pixel rectangles on both sides: the source's device pixel ratio
    // must not shrink it into a corner of the target.
    QImage sourceBitmap = source.bitmap();
    if (sourceBitmap.width() > bitmap.width() && sourceBitmap.height() > bitmap.height()) {
        // Shrinking: QImage's smooth scaling averages every source pixel, where
        // a bilinear paint would alias fine detail such as text.
        sourceBitmap = sourceBitmap.scaled(bitmap.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (sourceBitmap.isNull())
            return source;
    }
    {
        QPainter painter(&bitmap);
        if (!painter.isActive())
            return source;
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(0, 0, bitmap.width(), bitmap.height()), sourceBitmap,
                          QRectF(0, 0, sourceBitmap.width(), sourceBitmap.height()));
    }
    return Image(std::move(bitmap), 1.0);
}
