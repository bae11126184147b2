#include "Views/StrokeRasterRenderer.h"

#include <QImage>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace StrokeRaster {

namespace {

// Shapes whose bounding box on the device is no larger than this on either side
// fill quickly; larger ones are taken apart.
constexpr qreal quickFillSide = 256.0;

QRectF deviceRect(const QPainter& painter, const QRectF& r) { return painter.worldTransform().mapRect(r); }

bool quickToFill(const QPainter& painter, const QRectF& r)
{
    const QRectF d = deviceRect(painter, r);
    return d.width() <= quickFillSide && d.height() <= quickFillSide;
}

QRectF discRect(QPointF centre, qreal radius)
{
    return QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
}

QRectF pointsBounds(const QList<QPointF>& points, qreal pad)
{
    qreal x0 = points.first().x(), x1 = x0, y0 = points.first().y(), y1 = y0;
    for (const QPointF& p : points) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRectF(x0 - pad, y0 - pad, x1 - x0 + 2 * pad, y1 - y0 + 2 * pad);
}

// The painter's whole drawing surface in its device-independent coordinates.
QRectF surfaceRect(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return {};
    if (device->devType() == QInternal::Image)
        return QRectF(QPointF(0, 0), static_cast<const QImage*>(device)->deviceIndependentSize());
    return QRectF(0, 0, device->width(), device->height());
}

} // namespace

void fillOpaqueSegments(QPainter& painter, const QList<QLineF>& segments, const QList<QPointF>& discCentres,
                        qreal width, const QColor& opaqueColour)
{
    if (!(width > 0.0) || !std::isfinite(width))
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);

    QList<QLineF> bodies;
    bodies.reserve(segments.size());
    for (const QLineF& s : segments)
        if (s.p1() != s.p2())
            bodies.append(s);
    if (!bodies.isEmpty()) {
        QPen pen(opaqueColour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawLines(bodies.constData(), int(bodies.size()));
    }

    // Discs are filled in batches of neighbours, so that no one fill spans a large area.
    const qreal radius = width / 2.0;
    QPainterPath batch;
    QRectF batchBounds;
    auto flush = [&] {
        if (!batch.isEmpty())
            painter.fillPath(batch, opaqueColour);
        batch = QPainterPath();
        batch.setFillRule(Qt::WindingFill);
        batchBounds = QRectF();
    };
    batch.setFillRule(Qt::WindingFill);
    for (const QPointF& c : discCentres) {
        const QRectF disc = discRect(c, radius);
        const QRectF grown = batchBounds.isNull() ? disc : batchBounds.united(disc);
        if (!batch.isEmpty() && !quickToFill(painter, grown))
            flush();
        batch.addEllipse(disc);
        batchBounds = batchBounds.isNull() ? disc : batchBounds.united(disc);
    }
    flush();
    painter.restore();
}

void strokeOpaquePolyline(QPainter& painter, const QList<QPointF>& points, qreal width, const QColor& opaqueColour,
                          Qt::PenCapStyle cap)
{
    if (points.size() < 2 || !(width > 0.0) || !std::isfinite(width))
        return;
    if (quickToFill(painter, pointsBounds(points, width))) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(opaqueColour, width, Qt::SolidLine, cap, Qt::RoundJoin);
        pen.setMiterLimit(10.0);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(points.constData(), int(points.size()));
        painter.restore();
        return;
    }
    QList<QLineF> segments;
    segments.reserve(points.size() - 1);
    for (qsizetype i = 1; i < points.size(); ++i)
        segments.append(QLineF(points[i - 1], points[i]));
    QList<QPointF> discs;
    const qsizetype first = cap == Qt::RoundCap ? 0 : 1;
    const qsizetype last = cap == Qt::RoundCap ? points.size() - 1 : points.size() - 2;
    for (qsizetype i = first; i <= last; ++i)
        discs.append(points[i]);
    fillOpaqueSegments(painter, segments, discs, width, opaqueColour);
}

void strokeOpaqueSegments(QPainter& painter, const QList<QLineF>& segments, qreal width, const QColor& opaqueColour,
                          Qt::PenCapStyle cap)
{
    QList<QPointF> discs;
    if (cap == Qt::RoundCap) {
        discs.reserve(segments.size() * 2);
        for (const QLineF& s : segments) {
            discs.append(s.p1());
            if (s.p2() != s.p1())
                discs.append(s.p2());
        }
    }
    fillOpaqueSegments(painter, segments, discs, width, opaqueColour);
}

void paintComposited(QPainter& painter, const QRectF& bounds, qreal opacity, QPainter::CompositionMode mode,
                     const std::function<void(QPainter&)>& draw)
{
    if (!(opacity > 0.0))
        return;
    if (opacity >= 1.0 && painter.opacity() >= 1.0 && mode == QPainter::CompositionMode_SourceOver) {
        draw(painter);
        return;
    }
    // The layer covers only what can show: the shape's box on the surface (and within
    // the clip), on whole device-independent pixels so it composites without resampling.
    QRectF visible = deviceRect(painter, bounds).intersected(surfaceRect(painter));
    if (painter.hasClipping())
        visible = visible.intersected(painter.worldTransform().mapRect(painter.clipBoundingRect()));
    const QRect area = visible.toAlignedRect();
    if (area.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    QImage layer(QSize(int(std::ceil(area.width() * ratio)), int(std::ceil(area.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHints(painter.renderHints());
        layerPainter.setWorldTransform(painter.worldTransform() * QTransform::fromTranslate(-area.x(), -area.y()));
        draw(layerPainter);
    }
    painter.save();
    painter.resetTransform();
    painter.setOpacity(painter.opacity() * std::min(opacity, 1.0));
    painter.setCompositionMode(mode);
    painter.drawImage(area.topLeft(), layer);
    painter.restore();
}

} // namespace StrokeRaster
