#include "Views/PanelStyleIcons.h"

#include "Models/AnnotationGeometry.h"
#include "Views/IconCache.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

// The line icons are laid out with y growing upwards (a diagonal rising to the right);
// this turns such a box into the painter's y-down one.
void flipToRisingY(QPainter& painter, double height)
{
    painter.translate(0.0, height);
    painter.scale(1.0, -1.0);
}

void drawDashedLine(QPainter& painter, double w, double h)
{
    painter.save();
    flipToRisingY(painter, h);
    QPen pen(Qt::black, 1.8, Qt::SolidLine, Qt::RoundCap);
    // Qt measures dashes in pen widths.
    pen.setDashPattern({ 2.4 / 1.8, 2.75 / 1.8 });
    pen.setDashOffset(0.0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(3.5, 3.5), QPointF(w - 3.5, h - 3.5));
    painter.restore();
}

void drawDottedEndpoints(QPainter& painter, double w, double h)
{
    painter.save();
    flipToRisingY(painter, h);
    painter.setPen(QPen(Qt::black, 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(2.6, 2.6), QPointF(w - 2.6, h - 2.6));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QRectF(0.6, 0.6, 4.0, 4.0));
    painter.drawEllipse(QRectF(w - 4.6, h - 4.6, 4.0, 4.0));
    painter.restore();
}

void drawMarker(QPainter& painter, NumberShape shape, double w, double h)
{
    // A teardrop is 1.3 diameters tall: this fills the height with it exactly.
    const double diameter = std::min(w, h / 1.3);
    QPainterPath path = numberMarkerPath(shape, QPointF(w / 2.0, h / 2.0), diameter);
    path.setFillRule(Qt::WindingFill);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(path);
    painter.restore();
}

struct TemplateKey {
    PanelStyleIcon icon;
    int pixels;
    friend bool operator==(const TemplateKey& a, const TemplateKey& b) { return a.icon == b.icon && a.pixels == b.pixels; }
};

size_t qHash(const TemplateKey& key, size_t seed = 0) { return ::qHash(int(key.icon) * 100003 + key.pixels, seed); }

IconCache<TemplateKey, QImage>& templateCache()
{
    static IconCache<TemplateKey, QImage> cache;
    return cache;
}

qreal saneRatio(qreal ratio) { return ratio > 0.0 && std::isfinite(ratio) ? std::min<qreal>(ratio, 8.0) : 1.0; }

// A closed polygon of fractions of the box, filled.
void fillPolygon(QPainter& painter, const QRectF& box, std::initializer_list<QPointF> fractions, const QColor& color)
{
    QPolygonF polygon;
    for (const QPointF& f : fractions)
        polygon << QPointF(box.left() + f.x() * box.width(), box.top() + f.y() * box.height());
    // A thin outline of the same colour rounds the corners a little, as symbols are.
    painter.setPen(QPen(color, box.width() * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(color);
    painter.drawPolygon(polygon);
}

} // namespace

namespace PanelStyleIcons {

void draw(QPainter& painter, PanelStyleIcon icon, double width, double height)
{
    if (!painter.isActive())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    switch (icon) {
    case PanelStyleIcon::dashedLine:
        drawDashedLine(painter, width, height);
        break;
    case PanelStyleIcon::dottedEndpoints:
        drawDottedEndpoints(painter, width, height);
        break;
    case PanelStyleIcon::circle:
        drawMarker(painter, NumberShape::circle, width, height);
        break;
    case PanelStyleIcon::teardrop:
        drawMarker(painter, NumberShape::teardrop, width, height);
        break;
    }
    painter.restore();
}

QImage templateImage(PanelStyleIcon icon, qreal devicePixelRatio)
{
    const qreal ratio = saneRatio(devicePixelRatio);
    const int pixels = std::max(1, int(std::lround(iconSize.width() * ratio)));
    const TemplateKey key { icon, pixels };
    return templateCache().get(key, [&] {
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.scale(double(pixels) / iconSize.width(), double(pixels) / iconSize.height());
            // Always the fixed icon size, whatever box the image is later shown in.
            draw(painter, icon, iconSize.width(), iconSize.height());
        }
        image.setDevicePixelRatio(double(pixels) / iconSize.width());
        return image;
    });
}

QImage tintedImage(PanelStyleIcon icon, const QColor& color, qreal devicePixelRatio)
{
    QImage image = templateImage(icon, devicePixelRatio).copy();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(image.size()) / image.devicePixelRatio()), color);
    return image;
}

} // namespace PanelStyleIcons

void paintPanelStyleIcon(QPainter& painter, const QRectF& frame, PanelStyleIcon icon, const QColor& color)
{
    if (!painter.isActive())
        return;
    qreal ratio = 1.0;
    if (painter.device())
        ratio = painter.device()->devicePixelRatioF();
    // Scaled painters (tests zoom in) want a sharper template too.
    ratio *= std::max(std::abs(painter.worldTransform().m11()), std::abs(painter.worldTransform().m22()));
    const QImage image = PanelStyleIcons::tintedImage(icon, color, ratio);
    const QSizeF size = PanelStyleIcons::iconSize;
    const QRectF target(frame.center() - QPointF(size.width() / 2.0, size.height() / 2.0), size);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
    painter.restore();
}

void paintPanelSymbol(QPainter& painter, const QRectF& frame, PanelSymbol symbol, const QColor& color)
{
    if (!painter.isActive())
        return;
    const double side = std::min(frame.width(), frame.height());
    const QRectF box(frame.center() - QPointF(side / 2.0, side / 2.0), QSizeF(side, side));
    auto at = [&](double fx, double fy) { return QPointF(box.left() + fx * side, box.top() + fy * side); };
    const double stroke = std::max(1.0, side * 0.11);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    const QPen line(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (symbol) {
    case PanelSymbol::chevronRight: {
        painter.setPen(line);
        const QPointF points[] = { at(0.36, 0.16), at(0.68, 0.5), at(0.36, 0.84) };
        painter.drawPolyline(points, 3);
        break;
    }
    case PanelSymbol::arrowTriangleRightFill:
        fillPolygon(painter, box, { { 0.22, 0.16 }, { 0.86, 0.5 }, { 0.22, 0.84 } }, color);
        break;
    case PanelSymbol::circleFill:
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(at(0.12, 0.12), QSizeF(side * 0.76, side * 0.76)));
        break;
    case PanelSymbol::rectangleFill: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(at(0.08, 0.24), QSizeF(side * 0.84, side * 0.52)), side * 0.1, side * 0.1);
        break;
    }
    case PanelSymbol::triangleFill:
        fillPolygon(painter, box, { { 0.5, 0.14 }, { 0.9, 0.84 }, { 0.1, 0.84 } }, color);
        break;
    case PanelSymbol::lineDiagonal:
        painter.setPen(line);
        painter.drawLine(at(0.18, 0.82), at(0.82, 0.18));
        break;
    case PanelSymbol::rectangle: {
        painter.setPen(QPen(color, stroke * 0.85, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawRoundedRect(QRectF(at(0.06, 0.2), QSizeF(side * 0.88, side * 0.6)), side * 0.07, side * 0.07);
        break;
    }
    case PanelSymbol::rectangleRoundedTop: {
        painter.setPen(QPen(color, stroke * 0.85, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QRectF r(at(0.06, 0.2), QSizeF(side * 0.88, side * 0.6));
        const double radius = side * 0.24;
        QPainterPath path;
        path.moveTo(r.bottomLeft());
        path.lineTo(r.left(), r.top() + radius);
        path.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 180.0, -90.0);
        path.lineTo(r.right() - radius, r.top());
        path.arcTo(QRectF(r.right() - 2 * radius, r.top(), 2 * radius, 2 * radius), 90.0, -90.0);
        path.lineTo(r.bottomRight());
        path.closeSubpath();
        painter.drawPath(path);
        break;
    }
    case PanelSymbol::circle:
        painter.setPen(QPen(color, stroke * 0.85));
        painter.drawEllipse(QRectF(at(0.1, 0.1), QSizeF(side * 0.8, side * 0.8)));
        break;
    }
    painter.restore();
}
