#include "Views/AreaRenderers.h"

#include "Models/AnnotationGeometry.h"
#include "Models/TextLayout.h"
#include "Models/TextMeasurement.h"
#include "Views/MosaicImageCache.h"
#include "Views/RendererCommon.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace AnnotationRenderers {

namespace {

QRectF toView(const QRectF& r, QSizeF size)
{
    return QRectF(r.x() * size.width(), r.y() * size.height(), r.width() * size.width(),
                  r.height() * size.height());
}

// How far the marker's value sits above the marker's centre: a teardrop's round head
// is centred above the middle of the whole drop.
constexpr double teardropHeadRaise = 0.15;

// Text inside its box: 1 point of padding left and right, 2 top and bottom.
constexpr double textPadX = 1.0;
constexpr double textPadY = 2.0;

} // namespace

QPainterPath shapeOutline(ShapeType shapeType, const QRectF& rect, double cornerRadius)
{
    const QRectF r = rect.normalized();
    QPainterPath path;
    switch (shapeType) {
    case ShapeType::rectangle:
        path.addRect(r);
        break;
    case ShapeType::roundedRectangle: {
        const double limit = std::min(r.width(), r.height()) / 2.0;
        const double radius = std::isfinite(cornerRadius) ? std::clamp(cornerRadius, 0.0, limit) : 0.0;
        path.addRoundedRect(r, radius, radius);
        break;
    }
    case ShapeType::circle:
        path.addEllipse(r);
        break;
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

void paintRectangleShape(QPainter& painter, const RectangleAnnotation& shape)
{
    const QPainterPath outline = shapeOutline(shape.shapeType, shape.rect, shape.cornerRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (shape.fillColor) {
        // A plain rectangle takes Qt's quicker rectangle fill.
        if (shape.shapeType == ShapeType::rectangle)
            painter.fillRect(shape.rect.normalized(), shape.fillColor->toQColor());
        else
            painter.fillPath(outline, shape.fillColor->toQColor());
    }
    if (std::isfinite(shape.lineWidth) && shape.lineWidth > 0.0) {
        QPen pen(shape.strokeColor.toQColor(), shape.lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10.0);
        painter.strokePath(outline, pen);
    }
    painter.restore();
}

void paintRectangle(QPainter& painter, const RectangleAnnotation& rectangle, QSizeF size, const MosaicSource& mosaic)
{
    ScopedOpacity dim(painter, RendererStyle::selectionOpacity(rectangle.isSelected));
    const QRectF display = toView(rectangle.rect, size);

    if (rectangle.effect == AnnotationEffect::mosaic && mosaic.image) {
        // The cells are laid out on the part of the area that lies on the image. A cell
        // reaching past the image's edge (an area carried through a crop, or drawn over
        // the margin) would find no pixel at its centre and stay transparent, showing
        // the covered pixels under its inner part as they are.
        const QRectF onImage = rectangle.rect.normalized() & QRectF(0.0, 0.0, 1.0, 1.0);
        if (onImage.isEmpty())
            return;
        const QRectF area = toView(onImage, size);
        const std::optional<QImage> cells =
            mosaic.cache ? mosaic.cache->mosaicImage(*mosaic.image, onImage, area.width(), area.height(),
                                                     rectangle.mosaicIntensity)
                         : MosaicImageCache::makeCells(*mosaic.image, onImage, area.width(), area.height(),
                                                       rectangle.mosaicIntensity);
        if (cells) {
            paintMosaicCells(painter, *cells, area);
            return;
        }
    } else if (rectangle.effect == AnnotationEffect::spotlight) {
        QPainterPath dimmed;
        dimmed.addRect(QRectF(QPointF(0, 0), size));
        dimmed.addPath(shapeOutline(rectangle.shapeType, display, rectangle.cornerRadius));
        dimmed.setFillRule(Qt::OddEvenFill);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(dimmed, RgbaColor(0, 0, 0, rectangle.spotlightDim).toQColor());
        return;
    }

    RectangleAnnotation shape = rectangle;
    shape.rect = display;
    paintRectangleShape(painter, shape);
}

QPointF numberTextCentre(const NumberAnnotation& number, QSizeF size)
{
    const QPointF c(number.position.x() * size.width(), number.position.y() * size.height());
    if (number.shape == NumberShape::teardrop)
        return QPointF(c.x(), c.y() - teardropHeadRaise * number.diameter);
    return c;
}

void paintNumber(QPainter& painter, const NumberAnnotation& number, QSizeF size)
{
    ScopedOpacity dim(painter, RendererStyle::selectionOpacity(number.isSelected));
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(number.position.x() * size.width(), number.position.y() * size.height());
    QPainterPath outline = numberMarkerPath(number.shape, centre, number.diameter);
    outline.setFillRule(Qt::WindingFill);
    painter.fillPath(outline, number.color.toQColor());

    if (!(std::isfinite(number.diameter) && number.diameter > 0.0))
        return;
    QFont font = TextLayout::resolveFont(QString(), number.diameter / 2.0);
    font.setBold(true);
    const TextLayout layout(QString::number(qint64(number.value)), font);
    const QPointF textCentre = numberTextCentre(number, size);
    layout.draw(painter, textCentre - QPointF(layout.size().width() / 2.0, layout.size().height() / 2.0), Qt::white);
}

double textScaleFor(QSizeF size, double referenceWidth)
{
    return referenceWidth > 0.0 ? size.width() / referenceWidth : 1.0;
}

QRectF textFrame(const TextAnnotation& text, QSizeF size, double referenceWidth)
{
    const QRectF box = textBoxRect(text, size.width(), size.height(), referenceWidth);
    const double textHeight = std::max(box.height() - 2 * textPadY, 1.0);
    const QSizeF frame(box.width(), textHeight + 2 * textPadY);
    const QPointF centre(text.position.x() * size.width(), text.position.y() * size.height());
    return QRectF(centre.x() - frame.width() / 2.0, centre.y() - frame.height() / 2.0, frame.width(),
                  frame.height());
}

void paintText(QPainter& painter, const TextAnnotation& text, QSizeF size, double referenceWidth)
{
    ScopedOpacity dim(painter, RendererStyle::selectionOpacity(text.isSelected));
    const double scale = textScaleFor(size, referenceWidth);
    const double boxWidth = text.width * size.width();
    const QRectF frame = textFrame(text, size, referenceWidth);
    // The same layout that sized the box: a line longer than the box wraps inside it.
    const TextLayout layout = layoutText(text, text.fontSize * scale, boxWidth);
    layout.draw(painter, frame.topLeft() + QPointF(textPadX, textPadY), text.color.toQColor());

    if (text.isSelected) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(RendererStyle::dashedPen(RendererStyle::standardBlue(), 1.0, 4.0));
        painter.drawRoundedRect(frame, 2.0, 2.0);
    }
}

} // namespace AnnotationRenderers
