#include "Views/StrokeRenderers.h"

#include "Models/AnnotationGeometry.h"
#include "Views/RendererCommon.h"
#include "Views/StrokeRasterRenderer.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace AnnotationRenderers {

namespace {

QPointF toView(QPointF p, QSizeF size) { return QPointF(p.x() * size.width(), p.y() * size.height()); }

bool drawableWidth(double width) { return std::isfinite(width) && width > 0.0; }

QColor opaque(const RgbaColor& color)
{
    QColor c = color.toQColor();
    c.setAlphaF(1.0);
    return c;
}

qreal alphaOf(const RgbaColor& color) { return color.toQColor().alphaF(); }

// The subpaths of a path as point lists; a closed subpath ends on its first point.
QList<QList<QPointF>> subpaths(const QPainterPath& path)
{
    QList<QList<QPointF>> result;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo() || result.isEmpty())
            result.append(QList<QPointF>());
        result.last().append(QPointF(e.x, e.y));
    }
    return result;
}

// The path without its straight two-point subpaths, which enclose nothing: filling
// a filled head's path would otherwise spread the fill over the whole shaft.
QPainterPath enclosingParts(const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i)
        if (path.elementAt(i).isCurveTo())
            return path;
    QPainterPath area;
    area.setFillRule(path.fillRule());
    for (const QList<QPointF>& sub : subpaths(path))
        if (sub.size() > 2)
            area.addPolygon(QPolygonF(sub));
    return area;
}

// The dashes of a straight stroke, as pieces of the line (each gets its own caps).
QList<QLineF> dashPieces(const QLineF& line, const QList<double>& pattern)
{
    double period = 0.0;
    for (double d : pattern)
        period += d;
    const double length = line.length();
    if (!(period > 0.0) || length <= 0.0)
        return {line};
    QList<QLineF> pieces;
    double at = 0.0;
    for (qsizetype i = 0; at < length; i = (i + 1) % pattern.size()) {
        const double end = std::min(at + pattern[i], length);
        if (i % 2 == 0 && end > at)
            pieces.append(QLineF(line.pointAt(at / length), line.pointAt(end / length)));
        at += pattern[i];
    }
    return pieces;
}

// Past this many dashes a stroke is dashed by Qt's own pen instead (a hairline
// dash pattern along a very long line).
constexpr qsizetype maximumDashPieces = 20000;

} // namespace

void paintFreehandPoints(QPainter& painter, const QList<QPointF>& points, const RgbaColor& color, double lineWidth,
                         LineCapStyle capStyle, bool isHighlighter, double highlighterAlpha)
{
    const double width = isHighlighter ? lineWidth * highlighterWidthFactor : lineWidth;
    const QList<StrokeSegment> segments = freehandStrokeSegments(points, capStyle, width);
    const QColor ink = opaque(color);
    const qreal opacity = alphaOf(color) * (isHighlighter ? highlighterAlpha : 1.0);
    const auto mode = isHighlighter ? QPainter::CompositionMode_Multiply : QPainter::CompositionMode_SourceOver;
    // Each piece is blended on its own: where taper pieces meet, their round caps
    // overlap and, for a highlighter, multiply twice, as separate shapes do.
    for (const StrokeSegment& segment : segments) {
        if (!drawableWidth(segment.width) || segment.points.size() < 2)
            continue;
        StrokeRaster::paintComposited(painter, StrokeRaster::pointsBounds(segment.points, segment.width), opacity, mode,
                                      [&](QPainter& p) {
                                          StrokeRaster::strokeOpaquePolyline(p, segment.points, segment.width, ink,
                                                                             segment.cap);
                                      });
    }
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
    const QLineF shaft(toView(line.startPoint, size), toView(line.endPoint, size));
    if (drawableWidth(line.lineWidth)) {
        QList<QLineF> pieces{shaft};
        bool qtDashes = false;
        if (const auto pattern = lineDashPattern(line)) {
            double period = 0.0;
            for (double d : *pattern)
                period += d;
            qtDashes = period <= 0.0 || shaft.length() / period > maximumDashPieces;
            if (!qtDashes)
                pieces = dashPieces(shaft, *pattern);
        }
        const QRectF bounds = QRectF(shaft.p1(), shaft.p2()).normalized().adjusted(
            -line.lineWidth, -line.lineWidth, line.lineWidth, line.lineWidth);
        const QColor ink = opaque(line.color);
        StrokeRaster::paintComposited(painter, bounds, alphaOf(line.color), QPainter::CompositionMode_SourceOver,
                                      [&](QPainter& p) {
                                          if (!qtDashes) {
                                              StrokeRaster::strokeOpaqueSegments(p, pieces, line.lineWidth, ink,
                                                                                 Qt::RoundCap);
                                              return;
                                          }
                                          QPen pen(ink, line.lineWidth, Qt::SolidLine, Qt::RoundCap,
                                                   Qt::RoundJoin);
                                          if (const auto dashes = penDashPattern(line))
                                              pen.setDashPattern(*dashes);
                                          p.setPen(pen);
                                          p.drawLine(shaft);
                                      });
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
    const QPainterPath path = arrowPath(arrow, size.width(), size.height());
    if (drawableWidth(arrow.lineWidth) && !path.isEmpty()) {
        // A dot head has nothing sharp to keep; open and filled heads keep their tips mitred.
        const bool dot = arrow.headStyle == ArrowHeadStyle::dot;
        const QColor ink = opaque(arrow.color);
        const double w = arrow.lineWidth;
        StrokeRaster::paintComposited(
            painter, path.controlPointRect().adjusted(-2 * w, -2 * w, 2 * w, 2 * w), alphaOf(arrow.color),
            QPainter::CompositionMode_SourceOver, [&](QPainter& p) {
                QList<QLineF> straight;
                for (const QList<QPointF>& sub : subpaths(path)) {
                    if (sub.size() == 2) {
                        straight.append(QLineF(sub[0], sub[1]));
                        continue;
                    }
                    // The head triangle: small, stroked whole so its corners are mitred.
                    QPainterPath piece;
                    piece.addPolygon(QPolygonF(sub));
                    QPen pen(ink, w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
                    pen.setMiterLimit(10.0);
                    p.strokePath(piece, pen);
                }
                StrokeRaster::strokeOpaqueSegments(p, straight, w, ink, dot ? Qt::RoundCap : Qt::FlatCap);
            });
    }
    if (auto head = arrowHeadFillPath(arrow, size.width(), size.height())) {
        head->setFillRule(Qt::WindingFill);
        painter.fillPath(enclosingParts(*head), arrow.color.toQColor());
    }
}

} // namespace AnnotationRenderers
