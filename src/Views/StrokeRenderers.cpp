#include "Views/StrokeRenderers.h"

#include "Models/AnnotationGeometry.h"
#include "Views/RendererCommon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cmath>

namespace AnnotationRenderers {

namespace {

QPointF toView(QPointF p, QSizeF size) { return QPointF(p.x() * size.width(), p.y() * size.height()); }

bool drawableWidth(double width) { return std::isfinite(width) && width > 0.0; }

QPen strokePen(const RgbaColor& color, double width, Qt::PenCapStyle cap, Qt::PenJoinStyle join)
{
    QPen pen(color.toQColor(), width, Qt::SolidLine, cap, join);
    pen.setMiterLimit(10.0);
    return pen;
}

} // namespace

void paintFreehandPoints(QPainter& painter, const QList<QPointF>& points, const RgbaColor& color, double lineWidth,
                         LineCapStyle capStyle, bool isHighlighter, double highlighterAlpha)
{
    const double width = isHighlighter ? lineWidth * highlighterWidthFactor : lineWidth;
    const QList<StrokeSegment> segments = freehandStrokeSegments(points, capStyle, width);
    if (segments.isEmpty())
        return;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    if (isHighlighter) {
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.setOpacity(painter.opacity() * highlighterAlpha);
    }
    // Each piece is its own stroke: where the taper pieces meet, their round caps
    // overlap and, for a highlighter, multiply twice, as the pieces are separate shapes.
    for (const StrokeSegment& segment : segments) {
        if (!drawableWidth(segment.width) || segment.points.size() < 2)
            continue;
        painter.setPen(strokePen(color, segment.width, segment.cap, Qt::RoundJoin));
        painter.drawPolyline(segment.points.constData(), static_cast<int>(segment.points.size()));
    }
    painter.restore();
}

void paintFreehand(QPainter& painter, const FreehandAnnotation& stroke, QSizeF size)
{
    if (stroke.points.size() < 2)
        return;
    QList<QPointF> viewPoints;
    viewPoints.reserve(stroke.points.size());
    for (const QPointF& p : stroke.points)
        viewPoints.append(toView(p, size));
    ScopedOpacity dim(painter, RendererStyle::selectionOpacity(stroke.isSelected));
    paintFreehandPoints(painter, viewPoints, stroke.color, stroke.lineWidth, stroke.capStyle, stroke.isHighlighter,
                        stroke.highlighterAlpha);
}

void paintLine(QPainter& painter, const LineAnnotation& line, QSizeF size)
{
    ScopedOpacity dim(painter, RendererStyle::selectionOpacity(line.isSelected));
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (drawableWidth(line.lineWidth)) {
        QPen pen = strokePen(line.color, line.lineWidth, Qt::RoundCap, Qt::RoundJoin);
        if (const auto dashes = penDashPattern(line))
            pen.setDashPattern(*dashes);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(toView(line.startPoint, size), toView(line.endPoint, size));
    }
    // The dots lie above the stroke.
    const QColor fill = line.color.toQColor();
    for (QPainterPath dot : lineEndDotPaths(line, size.width(), size.height())) {
        dot.setFillRule(Qt::WindingFill);
        painter.fillPath(dot, fill);
    }
}

void paintArrow(QPainter& painter, const ArrowAnnotation& arrow, QSizeF size)
{
    ScopedOpacity dim(painter, RendererStyle::selectionOpacity(arrow.isSelected));
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (drawableWidth(arrow.lineWidth)) {
        // A dot head has nothing sharp to keep; open and filled heads keep their tips mitred.
        const bool dot = arrow.headStyle == ArrowHeadStyle::dot;
        painter.strokePath(arrowPath(arrow, size.width(), size.height()),
                           strokePen(arrow.color, arrow.lineWidth, dot ? Qt::RoundCap : Qt::FlatCap,
                                     dot ? Qt::RoundJoin : Qt::MiterJoin));
    }
    if (auto head = arrowHeadFillPath(arrow, size.width(), size.height())) {
        head->setFillRule(Qt::WindingFill);
        painter.fillPath(*head, arrow.color.toQColor());
    }
}

} // namespace AnnotationRenderers
