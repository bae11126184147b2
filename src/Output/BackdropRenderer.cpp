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

// Draws the card's shadow into `canvas`: the card shape moved down by the
// offset and blurred. The blur is worked out only outside the part of the card
// that stays fully covered (the card is opaque and is painted over it).
void drawCardShadow(QImage& canvas, const QRectF& card, const BackdropLayout& layout)
{
    // A CoreGraphics-style blur value is about twice the Gaussian's sigma.
    const double sigma = *layout.shadowBlur / 2.0;
    const QRectF shadowRect = card.translated(0.0, layout.shadowOffsetY);

    QImage mask(canvas.size(), QImage::Format_Alpha8);
    if (mask.isNull())
        return;
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(roundedRectPath(shadowRect, layout.outerCornerRadius), Qt::black);
    }

    // Inside this rectangle the blurred shadow is solid and the card covers it.
    const int inset = ShadowBlur::reach(sigma) + static_cast<int>(std::ceil(layout.outerCornerRadius)) + 2;
    const QRect covered = card.intersected(shadowRect).toAlignedRect().adjusted(inset, inset, -inset, -inset);
    const QList<QRect> regions = ShadowBlur::regionsAround(canvas.rect(), covered);
    ShadowBlur::compositeShadow(canvas, mask, regions, sigma, layout.shadowOpacity);
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

    const QRectF card(margin, margin, w + 2.0 * pad, h + 2.0 * pad);
    const QRectF imageRect(pad + margin, pad + margin, w, h);

    if (!alphaCapable) {
        QPainter painter(&canvas);
        drawBackdropGradient(painter, parameters.preset, card);
    }
    if (layout.isShadowVisible())
        drawCardShadow(canvas, card, layout);

    QPainter painter(&canvas);
    if (!painter.isActive())
        return std::nullopt;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    // The card, its edge softened by half a pixel.
    {
        const QGradientStops stops = parameters.preset.gradient();
        QLinearGradient gradient(card.center().x(), card.top(), card.center().x(), card.bottom());
        gradient.setStops(stops);
        painter.fillPath(roundedRectPath(card.adjusted(-0.5, -0.5, 0.5, 0.5), layout.outerCornerRadius),
                         QBrush(gradient));
    }

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
