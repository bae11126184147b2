#include "Output/BackdropRenderer.h"

#include "Output/ShadowBlur.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QPainterPath roundedRectPath(const QRectF& rect, double radius)
{
    QPainterPath path;
    if (radius > 0.0)
        path.addRoundedRect(rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

// Draws the card's shadow into `canvas`: the card shape moved down by the offset and
// blurred. The blur is worked out only where the shadow can reach and outside the part
// of the card that stays fully covered (the card is opaque and is painted over it).
void drawCardShadow(QImage& canvas, const QRectF& card, double cornerRadius, double blur, double offsetY,
                    double opacity)
{
    // A CoreGraphics-style blur value is about twice the Gaussian's sigma.
    const double sigma = blur / 2.0;
    const int reach = ShadowBlur::reach(sigma);
    const QRectF shadowRect = card.translated(0.0, offsetY);
    const QRect area = shadowRect.toAlignedRect().adjusted(-reach, -reach, reach, reach).intersected(canvas.rect());
    if (area.isEmpty())
        return;

    // The mask runs a reach beyond the area, so a card that goes on past the canvas's
    // edge still shades right up to it.
    const QRect maskRect = area.adjusted(-reach, -reach, reach, reach);
    QImage mask(maskRect.size(), QImage::Format_Alpha8);
    if (mask.isNull())
        return;
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.translate(-maskRect.topLeft());
        painter.fillPath(roundedRectPath(shadowRect, cornerRadius), Qt::black);
    }

    // Inside this rectangle the blurred shadow is solid and the card covers it.
    const int inset = reach + static_cast<int>(std::ceil(cornerRadius)) + 2;
    const QRect covered = card.intersected(shadowRect).toAlignedRect().adjusted(inset, inset, -inset, -inset);
    const QList<QRect> regions = ShadowBlur::regionsAround(area, covered);
    ShadowBlur::compositeShadow(canvas, mask, regions, sigma, opacity, maskRect.topLeft());
}

} // namespace

void drawBackdropGradient(QPainter& painter, BackdropPreset preset, const QRectF& rect)
{
    const QGradientStops stops = preset.gradient();
    if (stops.isEmpty())
        return;
    QLinearGradient gradient(rect.center().x(), rect.top(), rect.center().x(), rect.bottom());
    gradient.setStops(stops);
    gradient.setSpread(QGradient::PadSpread);
    // The whole clip area: everything above the rectangle takes the first stop,
    // everything below it the last.
    const QRectF everywhere = painter.clipBoundingRect().isEmpty()
        ? QRectF(QPointF(0, 0), QSizeF(painter.device()->width(), painter.device()->height()))
        : painter.clipBoundingRect();
    painter.fillRect(everywhere, QBrush(gradient));
}

QRectF backdropCardRect(const QRectF& imageRect, const BackdropLayout& layout, double scale)
{
    const double pad = layout.wholePadding() * scale;
    return imageRect.adjusted(-pad, -pad, pad, pad);
}

void paintBackdropCard(QImage& canvas, const QRectF& imageRect, const BackdropLayout& layout, BackdropPreset preset,
                       double scale)
{
    if (canvas.isNull() || !(scale > 0.0) || !std::isfinite(scale))
        return;
    const QRectF card = backdropCardRect(imageRect, layout, scale);
    const double outerRadius = layout.outerCornerRadius * scale;
    if (layout.isShadowVisible())
        drawCardShadow(canvas, card, outerRadius, *layout.shadowBlur * scale, layout.shadowOffsetY * scale,
                       layout.shadowOpacity);

    QPainter painter(&canvas);
    if (!painter.isActive())
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    // The card, its edge softened by half an output pixel.
    QLinearGradient gradient(card.center().x(), card.top(), card.center().x(), card.bottom());
    gradient.setStops(preset.gradient());
    const double soft = 0.5 * scale;
    painter.fillPath(roundedRectPath(card.adjusted(-soft, -soft, soft, soft), outerRadius), QBrush(gradient));
}

std::optional<QImage> renderBackdropImage(const QImage& bitmap, const BackdropParameters& parameters,
                                          bool alphaCapable)
{
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (bitmap.isNull() || w <= 0 || h <= 0)
        return std::nullopt;

    const BackdropLayout layout = parameters.layout(w, h);
    const int pad = layout.wholePadding();
    if (pad <= 0 && !(layout.cornerRadius > 0.0) && !layout.isShadowVisible())
        return bitmap;

    const int margin = layout.shadowMargin();
    const QSize canvasSize = layout.canvasPixelSize(w, h);
    if (!canvasSize.isValid() || canvasSize.isEmpty())
        return std::nullopt;

    QImage canvas(canvasSize, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return std::nullopt;
    canvas.fill(Qt::transparent);

    const QRectF imageRect(pad + margin, pad + margin, w, h);

    if (!alphaCapable) {
        QPainter painter(&canvas);
        drawBackdropGradient(painter, parameters.preset, backdropCardRect(imageRect, layout));
    }
    paintBackdropCard(canvas, imageRect, layout, parameters.preset);

    QPainter painter(&canvas);
    if (!painter.isActive())
        return std::nullopt;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    // The image with its rounded corners. A textured brush keeps the corners
    // anti-aliased, which a clip path would not; the brush is aligned to whole
    // pixels so the image lands unscaled.
    QImage source = bitmap;
    if (source.devicePixelRatio() != 1.0)
        source.setDevicePixelRatio(1.0);
    if (layout.cornerRadius > 0.0) {
        QBrush brush(source);
        brush.setTransform(QTransform::fromTranslate(imageRect.left(), imageRect.top()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(brush);
        painter.drawPath(roundedRectPath(imageRect, layout.cornerRadius));
    } else {
        painter.drawImage(imageRect.topLeft(), source);
    }
    painter.end();
    return canvas;
}
