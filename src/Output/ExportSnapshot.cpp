#include "Output/ExportSnapshot.h"

#include "Output/BackdropRenderer.h"

#include <QPainter>

#include <cmath>

namespace {

bool isQuarterTurn(double rotation)
{
    return std::abs(std::fmod(rotation, 180.0)) == 90.0;
}

bool isRightAngle(double rotation)
{
    return std::fmod(rotation, 90.0) == 0.0;
}

} // namespace

QSize flattenedPixelSize(const QSize& imagePixels, double rotation)
{
    return isQuarterTurn(rotation) ? imagePixels.transposed() : imagePixels;
}

std::optional<QImage> renderFlattenedImage(const ExportSnapshot& snapshot)
{
    if (snapshot.image.isNull())
        return std::nullopt;
    const QSize pixels = snapshot.image.pixelSize();
    if (pixels.isEmpty())
        return std::nullopt;

    const double rotation = std::isfinite(snapshot.rotation) ? snapshot.rotation : 0.0;
    const QImage& source = snapshot.image.bitmap();
    // Nothing to draw and nothing to turn: hand on the editor's pixels as they
    // are (shared, not copied), which matters for 20000-pixel captures.
    if (!snapshot.paintAnnotations && rotation == 0.0 && source.format() == QImage::Format_ARGB32_Premultiplied
        && source.devicePixelRatio() == 1.0)
        return source;

    QImage flat(pixels, QImage::Format_ARGB32_Premultiplied);
    if (flat.isNull())
        return std::nullopt;
    flat.fill(Qt::transparent);
    {
        QPainter painter(&flat);
        if (painter.isActive()) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            // Explicit pixel rectangles: the image's device pixel ratio must not
            // shrink it, annotations are laid out on its full pixel size.
            painter.drawImage(QRectF(0, 0, pixels.width(), pixels.height()), snapshot.image.bitmap(),
                              QRectF(0, 0, pixels.width(), pixels.height()));
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            if (snapshot.paintAnnotations) {
                painter.save();
                snapshot.paintAnnotations(painter, QSizeF(pixels));
                painter.restore();
            }
        }
    }

    if (rotation == 0.0)
        return flat;

    const QSize turnedSize = flattenedPixelSize(pixels, rotation);
    QImage turned(turnedSize, QImage::Format_ARGB32_Premultiplied);
    if (turned.isNull())
        return std::nullopt;
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    if (!painter.isActive())
        return std::nullopt;
    // On a y-down bitmap a positive angle turns clockwise, as the canvas does;
    // quarter turns map pixels exactly, so only other angles are smoothed.
    if (!isRightAngle(rotation)) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setRenderHint(QPainter::Antialiasing, true);
    }
    QTransform transform;
    transform.translate(turnedSize.width() / 2.0, turnedSize.height() / 2.0);
    transform.rotate(rotation);
    transform.translate(-pixels.width() / 2.0, -pixels.height() / 2.0);
    painter.setTransform(transform);
    painter.drawImage(QPointF(0, 0), flat);
    painter.end();
    return turned;
}

std::optional<QImage> renderExportImage(const ExportSnapshot& snapshot)
{
    std::optional<QImage> flat = renderFlattenedImage(snapshot);
    if (!flat || !snapshot.backdrop)
        return flat;
    std::optional<QImage> onBackdrop = renderBackdropImage(*flat, *snapshot.backdrop, snapshot.backdropAlphaCapable);
    return onBackdrop ? onBackdrop : flat;
}
