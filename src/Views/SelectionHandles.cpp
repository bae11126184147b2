#include "Views/SelectionHandles.h"

#include "Views/RendererCommon.h"

#include <QPainterPath>

#include <algorithm>

namespace SelectionHandles {

namespace {

bool within(std::optional<int> index, std::size_t count)
{
    return index && *index >= 0 && static_cast<std::size_t>(*index) < count;
}

void paintDots(QPainter& painter, const std::vector<QPointF>& points, const QColor& fill)
{
    if (points.empty())
        return;
    QPainterPath path;
    for (const QPointF& p : points)
        path.addEllipse(QRectF(p.x() - dotRadius, p.y() - dotRadius, 2 * dotRadius, 2 * dotRadius));
    painter.fillPath(path, fill);
    QPen rim(Qt::white, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    rim.setMiterLimit(10.0);
    painter.strokePath(path, rim);
}

} // namespace

SelectionHandlesLayer prepare(const std::vector<QPointF>& handlePoints, std::optional<int> activeIndex,
                              std::optional<int> hoveredIndex, std::vector<QRectF> freehandFrames)
{
    SelectionHandlesLayer layer;
    layer.freehandFrames = std::move(freehandFrames);
    const bool hasActive = within(activeIndex, handlePoints.size());
    const bool hasHovered = within(hoveredIndex, handlePoints.size());
    for (std::size_t i = 0; i < handlePoints.size(); ++i) {
        const int index = static_cast<int>(i);
        if ((hasActive && index == *activeIndex) || (hasHovered && index == *hoveredIndex))
            continue;
        layer.plainPoints.push_back(handlePoints[i]);
    }
    if (hasHovered)
        layer.hoveredPoints.push_back(handlePoints[*hoveredIndex]);
    if (hasActive)
        layer.activePoints.push_back(handlePoints[*activeIndex]);
    return layer;
}

void paint(QPainter& painter, const SelectionHandlesLayer& layer)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!layer.freehandFrames.empty()) {
        QPainterPath frames;
        for (const QRectF& r : layer.freehandFrames)
            frames.addRect(QRectF(r.x(), r.y(), std::max(1.0, r.width()), std::max(1.0, r.height())));
        painter.strokePath(frames, RendererStyle::dashedPen(RendererStyle::standardBlue(), 1.0, 4.0));
    }
    paintDots(painter, layer.plainPoints, RendererStyle::standardBlue());
    paintDots(painter, layer.hoveredPoints, RendererStyle::standardBlue());
    paintDots(painter, layer.activePoints, RendererStyle::standardOrange());
    painter.restore();
}

QRectF hitRect(QPointF p)
{
    const qreal r = hitDiameter / 2.0;
    return QRectF(p.x() - r, p.y() - r, hitDiameter, hitDiameter);
}

std::optional<int> handleAt(const std::vector<QPointF>& viewportPoints, QPointF point)
{
    const qreal r = hitDiameter / 2.0;
    for (std::size_t i = viewportPoints.size(); i-- > 0;) {
        const QPointF d = point - viewportPoints[i];
        if (d.x() * d.x() + d.y() * d.y() <= r * r)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

} // namespace SelectionHandles
