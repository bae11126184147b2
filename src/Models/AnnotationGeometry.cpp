#include "Models/AnnotationGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

QPointF scaled(const QPointF& p, double width, double height)
{
    return QPointF(p.x() * width, p.y() * height);
}

QPainterPath circleAround(const QPointF& centre, double diameter)
{
    QPainterPath path;
    path.addEllipse(QRectF(centre.x() - diameter / 2.0, centre.y() - diameter / 2.0, diameter, diameter));
    return path;
}

// max(value, floor), where a value that is not a number also gives the floor.
double atLeast(double value, double floor)
{
    return value > floor ? value : floor;
}

double endDotDiameter(double lineWidth)
{
    return atLeast(2.5 * lineWidth, 8.0);
}

bool isPositive(double v)
{
    return std::isfinite(v) && v > 0.0;
}

} // namespace

QPainterPath arrowPath(const ArrowAnnotation& arrow, double width, double height)
{
    const QPointF s = scaled(arrow.startPoint, width, height);
    const QPointF e = scaled(arrow.endPoint, width, height);

    QPainterPath path;
    path.moveTo(s);
    path.lineTo(e);
    if (arrow.headStyle == ArrowHeadStyle::dot)
        return path;

    const double t = std::atan2(e.y() - s.y(), e.x() - s.x());
    const double length = atLeast(5.0 * arrow.lineWidth, 15.0);
    const double h = arrowHeadHalfAngle;
    const QPointF p1(e.x() - length * std::cos(t - h), e.y() - length * std::sin(t - h));
    const QPointF p2(e.x() - length * std::cos(t + h), e.y() - length * std::sin(t + h));

    if (arrow.headStyle == ArrowHeadStyle::open) {
        path.moveTo(e);
        path.lineTo(p1);
        path.moveTo(e);
        path.lineTo(p2);
    } else {
        path.moveTo(e);
        path.lineTo(p1);
        path.lineTo(p2);
        path.closeSubpath();
    }
    return path;
}

std::optional<QPainterPath> arrowHeadFillPath(const ArrowAnnotation& arrow, double width, double height)
{
    switch (arrow.headStyle) {
    case ArrowHeadStyle::open:
        return std::nullopt;
    case ArrowHeadStyle::filled:
        return arrowPath(arrow, width, height);
    case ArrowHeadStyle::dot:
        return circleAround(scaled(arrow.endPoint, width, height), endDotDiameter(arrow.lineWidth));
    }
    return std::nullopt;
}

std::optional<QList<double>> lineDashPattern(const LineAnnotation& line)
{
    if (line.lineStyle != LineStyle::dashed || !isPositive(line.lineWidth))
        return std::nullopt;
    return QList<double>{3.0 * line.lineWidth, 2.0 * line.lineWidth};
}

std::optional<QList<qreal>> penDashPattern(const LineAnnotation& line)
{
    const auto pattern = lineDashPattern(line);
    if (!pattern)
        return std::nullopt;
    QList<qreal> inPenWidths;
    for (double length : *pattern)
        inPenWidths.append(length / line.lineWidth);
    return inPenWidths;
}

QList<QPainterPath> lineEndDotPaths(const LineAnnotation& line, double width, double height)
{
    if (line.lineStyle != LineStyle::dotted)
        return {};
    const double d = endDotDiameter(line.lineWidth);
    return {circleAround(scaled(line.startPoint, width, height), d),
            circleAround(scaled(line.endPoint, width, height), d)};
}

QPainterPath numberMarkerPath(NumberShape shape, const QPointF& centre, double diameter)
{
    if (!isPositive(diameter) || !std::isfinite(centre.x()) || !std::isfinite(centre.y()))
        return {};
    if (shape == NumberShape::circle)
        return circleAround(centre, diameter);

    const double r = diameter / 2.0;
    const double tail = 0.3 * diameter;
    const double cx = centre.x();
    const double hy = centre.y() - 0.5 * tail;
    const double a = std::acos(r / (r + tail));

    // On a y-down screen angles grow clockwise: the head's arc runs from the
    // lower left (pi - a) over the top to the lower right (a + 2 pi). QPainterPath
    // counts degrees anticlockwise, so both the start and the sweep change sign.
    const double startDeg = -(std::numbers::pi - a) * 180.0 / std::numbers::pi;
    const double sweepDeg = -(std::numbers::pi + 2.0 * a) * 180.0 / std::numbers::pi;

    QPainterPath path;
    path.moveTo(cx - r * std::cos(a), hy + r * std::sin(a));
    path.arcTo(QRectF(cx - r, hy - r, diameter, diameter), startDeg, sweepDeg);
    path.lineTo(cx, hy + r + tail);
    path.closeSubpath();
    return path;
}

QRectF pointsBoundingRect(const QList<QPointF>& points, double width, double height)
{
    if (points.isEmpty())
        return QRectF(0, 0, 0, 0);
    double minX = points.first().x(), maxX = minX;
    double minY = points.first().y(), maxY = minY;
    for (const QPointF& p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(minX * width, minY * height, (maxX - minX) * width, (maxY - minY) * height);
}

QList<double> cumulativeArcLengths(const QList<QPointF>& points)
{
    QList<double> lengths;
    lengths.reserve(points.size());
    double total = 0.0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (i > 0)
            total += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
        lengths.append(total);
    }
    return lengths;
}

QPointF pointAtArcLength(const QList<QPointF>& points, const QList<double>& arcLengths, double distance)
{
    if (points.size() < 2)
        return points.isEmpty() ? QPointF(0, 0) : points.first();
    const double total = arcLengths.isEmpty() ? 0.0 : arcLengths.last();
    distance = std::clamp(distance, 0.0, total > 0.0 ? total : 0.0);

    // The lengths never decrease, so the first index whose length reaches the
    // distance is a binary search (only indices that have a point count).
    const qsizetype usable = std::min(points.size(), arcLengths.size());
    if (usable < 2)
        return points.last();
    const auto begin = arcLengths.cbegin() + 1;
    const auto end = arcLengths.cbegin() + usable;
    const auto it = std::lower_bound(begin, end, distance);
    if (it == end)
        return points.last();
    const qsizetype i = it - arcLengths.cbegin();
    const double seg = arcLengths[i] - arcLengths[i - 1];
    if (!(seg > 0.0))
        return points[i];
    const double f = (distance - arcLengths[i - 1]) / seg;
    return points[i - 1] + (points[i] - points[i - 1]) * f;
}

std::optional<QList<QPointF>> polylineSlice(const QList<QPointF>& points, const QList<double>& arcLengths,
                                            double from, double to)
{
    if (!(to > from) || arcLengths.size() != points.size())
        return std::nullopt;
    QList<QPointF> slice;
    slice.append(pointAtArcLength(points, arcLengths, from));
    // Points strictly between the two distances form one run of the sorted lengths.
    const auto first = std::upper_bound(arcLengths.cbegin(), arcLengths.cend(), from);
    const auto last = std::lower_bound(first, arcLengths.cend(), to);
    const qsizetype firstIndex = first - arcLengths.cbegin();
    const qsizetype lastIndex = last - arcLengths.cbegin();
    if (lastIndex > firstIndex) {
        slice.reserve(lastIndex - firstIndex + 2);
        slice.append(points.mid(firstIndex, lastIndex - firstIndex));
    }
    slice.append(pointAtArcLength(points, arcLengths, to));
    return slice;
}

QList<StrokeSegment> freehandStrokeSegments(const QList<QPointF>& points, LineCapStyle capStyle, double width)
{
    if (points.size() < 2)
        return {};
    if (capStyle == LineCapStyle::round)
        return {StrokeSegment{points, width, Qt::RoundCap}};
    if (capStyle == LineCapStyle::butt)
        return {StrokeSegment{points, width, Qt::FlatCap}};

    const QList<double> lengths = cumulativeArcLengths(points);
    const double total = lengths.last();
    if (!(total > 0.0))
        return {StrokeSegment{points, width, Qt::RoundCap}};

    const double taper = std::min(total / 3.0, std::max(3.0 * width, 8.0));
    QList<StrokeSegment> segments;
    segments.reserve(17);
    auto addSlice = [&](double from, double to, double segmentWidth) {
        auto slice = polylineSlice(points, lengths, from, to);
        if (slice && slice->size() >= 2)
            segments.append(StrokeSegment{std::move(*slice), segmentWidth, Qt::RoundCap});
    };

    for (int i = 0; i < 8; ++i)
        addSlice(taper * i * 0.125, taper * (i + 1) * 0.125, std::max(width * (i + 0.5) * 0.125, 0.5));
    addSlice(taper, total - taper, width);
    const double endStart = total - taper;
    for (int i = 0; i < 8; ++i)
        addSlice(endStart + taper * i * 0.125, endStart + taper * (i + 1) * 0.125,
                 std::max(width * (1.0 - (i + 0.5) * 0.125), 0.5));
    return segments;
}

QPointF shiftOnto(const QRectF& box, QSizeF bounds)
{
    auto axis = [](double start, double length, double limit) {
        if (start < 0.0 || length >= limit)
            return -start;
        return std::min(0.0, limit - (start + length));
    };
    return QPointF(axis(box.left(), box.width(), bounds.width()), axis(box.top(), box.height(), bounds.height()));
}
