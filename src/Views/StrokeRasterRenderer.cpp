#include "Views/StrokeRasterRenderer.h"

#include <QImage>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace StrokeRaster {

namespace {

// Shapes whose bounding box on the device is no larger than this on either side
// fill quickly; larger ones are taken apart.
constexpr qreal quickFillSide = 256.0;

// Through both the world and the window-to-viewport transform: a painter may draw a
// band of a larger picture through its window.
QRectF deviceRect(const QPainter& painter, const QRectF& r) { return painter.combinedTransform().mapRect(r); }

bool quickToFill(const QPainter& painter, const QRectF& r)
{
    const QRectF d = deviceRect(painter, r);
    return d.width() <= quickFillSide && d.height() <= quickFillSide;
}

QRectF discRect(QPointF centre, qreal radius)
{
    return QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
}

// A disc as a polygon whose edges stay within a tenth of a device pixel of the
// circle and whose area is the circle's: it fills faster than the curves of an
// ellipse and looks the same.
void addDisc(QPainterPath& path, QPointF centre, qreal radius, qreal deviceScale)
{
    const qreal r = radius * deviceScale;
    const int sides = r <= 0.1 ? 8 : std::clamp(int(std::ceil(M_PI / std::acos(1.0 - 0.1 / r))), 8, 96);
    const qreal half = M_PI / sides;
    const qreal vertexRadius = radius * std::sqrt(half / (std::sin(half) * std::cos(half)));
    QPolygonF polygon;
    polygon.reserve(sides + 1);
    for (int k = 0; k < sides; ++k) {
        const qreal a = 2.0 * M_PI * k / sides;
        polygon.append(QPointF(centre.x() + vertexRadius * std::cos(a), centre.y() + vertexRadius * std::sin(a)));
    }
    polygon.append(polygon.first());
    path.addPolygon(polygon);
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

// Pointer samples lie a pixel or two apart; points that bend the stroke by less
// than this (in device pixels) are left out, which no antialiased edge can show.
constexpr qreal simplifyTolerance = 0.2;

// Douglas-Peucker over the device positions of the points: the points to keep.
QList<QPointF> simplified(const QPainter& painter, const QList<QPointF>& points)
{
    if (points.size() <= 2)
        return points;
    const QTransform t = painter.combinedTransform();
    QList<QPointF> device;
    device.reserve(points.size());
    for (const QPointF& p : points)
        device.append(t.map(p));
    std::vector<char> keep(points.size(), 0);
    keep.front() = keep.back() = 1;
    std::vector<std::pair<qsizetype, qsizetype>> spans{{0, points.size() - 1}};
    const qreal tolerance2 = simplifyTolerance * simplifyTolerance;
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        if (b - a < 2)
            continue;
        const QPointF pa = device[a], pb = device[b];
        const QPointF ab = pb - pa;
        const qreal len2 = QPointF::dotProduct(ab, ab);
        qreal worst = -1.0;
        qsizetype worstAt = a;
        for (qsizetype i = a + 1; i < b; ++i) {
            const QPointF ap = device[i] - pa;
            qreal d2;
            if (len2 <= 0.0) {
                d2 = QPointF::dotProduct(ap, ap);
            } else {
                const qreal u = std::clamp(QPointF::dotProduct(ap, ab) / len2, 0.0, 1.0);
                const QPointF off = ap - u * ab;
                d2 = QPointF::dotProduct(off, off);
            }
            if (d2 > worst) {
                worst = d2;
                worstAt = i;
            }
        }
        if (worst > tolerance2) {
            keep[worstAt] = 1;
            spans.push_back({a, worstAt});
            spans.push_back({worstAt, b});
        }
    }
    QList<QPointF> result;
    for (qsizetype i = 0; i < points.size(); ++i)
        if (keep[i])
            result.append(points[i]);
    return result;
}

inline uint mul255(uint a, uint b)
{
    const uint t = a * b + 0x80;
    return (t + (t >> 8)) >> 8;
}

// Multiplies a premultiplied layer onto the painter's image at `opacity`, as Qt's
// multiply mode does, for the common case that the painter draws straight onto an
// unclipped 32-bit image: Qt's own multiply blend is several times slower and a
// highlighter stroke is mostly empty layer. False when the case does not apply.
bool multiplyOntoImage(QPainter& painter, const QImage& layer, QPoint devicePixel, qreal opacity)
{
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image || painter.hasClipping())
        return false;
    QImage* target = static_cast<QImage*>(device);
    if (target->format() != QImage::Format_ARGB32_Premultiplied && target->format() != QImage::Format_RGB32)
        return false;
    const bool opaqueTarget = target->format() == QImage::Format_RGB32;
    const uint constAlpha = uint(std::lround(std::clamp(opacity, 0.0, 1.0) * 255.0));
    const QRect onTarget = QRect(devicePixel, layer.size()).intersected(target->rect());
    for (int y = onTarget.top(); y <= onTarget.bottom(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(layer.constScanLine(y - devicePixel.y())) - devicePixel.x();
        QRgb* dst = reinterpret_cast<QRgb*>(target->scanLine(y));
        for (int x = onTarget.left(); x <= onTarget.right(); ++x) {
            QRgb s = src[x];
            if (qAlpha(s) == 0)
                continue;
            const uint sa = mul255(qAlpha(s), constAlpha);
            const uint sr = mul255(qRed(s), constAlpha), sg = mul255(qGreen(s), constAlpha),
                       sb = mul255(qBlue(s), constAlpha);
            const QRgb d = dst[x];
            const uint da = opaqueTarget ? 255 : qAlpha(d);
            auto channel = [&](uint sc, uint dc) {
                return std::min<uint>(255, mul255(sc, dc) + mul255(sc, 255 - da) + mul255(dc, 255 - sa));
            };
            dst[x] = qRgba(channel(sr, qRed(d)), channel(sg, qGreen(d)), channel(sb, qBlue(d)),
                           opaqueTarget ? 255 : std::min<uint>(255, sa + da - mul255(sa, da)));
        }
    }
    return true;
}

} // namespace

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
    const QTransform t = painter.combinedTransform();
    const qreal deviceScale = std::sqrt(std::abs(t.determinant()));
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
        addDisc(batch, c, radius, deviceScale);
        batchBounds = batchBounds.isNull() ? disc : batchBounds.united(disc);
    }
    flush();
    painter.restore();
}

void strokeOpaquePolyline(QPainter& painter, const QList<QPointF>& samples, qreal width, const QColor& opaqueColour,
                          Qt::PenCapStyle cap)
{
    if (samples.size() < 2 || !(width > 0.0) || !std::isfinite(width))
        return;
    const QList<QPointF> points = simplified(painter, samples);
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
    if (segments.isEmpty() || !(width > 0.0) || !std::isfinite(width))
        return;
    // Small enough to fill at once: one path of every segment, stroked by Qt.
    QRectF bounds = QRectF(segments.first().p1(), segments.first().p2()).normalized();
    for (const QLineF& s : segments)
        bounds = bounds.united(QRectF(s.p1(), s.p2()).normalized());
    if (quickToFill(painter, bounds.adjusted(-width, -width, width, width))) {
        QPainterPath path;
        for (const QLineF& s : segments) {
            path.moveTo(s.p1());
            path.lineTo(s.p2());
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(opaqueColour, width, Qt::SolidLine, cap, Qt::MiterJoin);
        pen.setMiterLimit(10.0);
        painter.strokePath(path, pen);
        painter.restore();
        return;
    }
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
        visible = visible.intersected(painter.combinedTransform().mapRect(painter.clipBoundingRect()));
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
        layerPainter.setWorldTransform(painter.combinedTransform() * QTransform::fromTranslate(-area.x(), -area.y()));
        draw(layerPainter);
    }
    const qreal total = painter.opacity() * std::min(opacity, 1.0);
    const bool wholeRatio = std::abs(ratio - std::round(ratio)) < 1e-9;
    if (mode == QPainter::CompositionMode_Multiply && wholeRatio &&
        multiplyOntoImage(painter, layer, QPoint(int(std::lround(area.x() * ratio)), int(std::lround(area.y() * ratio))),
                          total))
        return;
    painter.save();
    painter.resetTransform();
    painter.setViewTransformEnabled(false);
    painter.setOpacity(total);
    painter.setCompositionMode(mode);
    painter.drawImage(area.topLeft(), layer);
    painter.restore();
}

} // namespace StrokeRaster
