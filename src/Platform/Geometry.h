#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <algorithm>
#include <cmath>
#include <optional>

// Rectangle arithmetic with the semantics the drawing and capture code was designed
// around: rectangles are standardised before use, a point on the far edge is outside,
// and operations that produce no area say so with an empty optional.
namespace Geometry {

// Same rectangle with non-negative width and height.
inline QRectF standardized(const QRectF& r) { return r.normalized(); }

inline double minX(const QRectF& r) { return std::min(r.left(), r.left() + r.width()); }
inline double maxX(const QRectF& r) { return std::max(r.left(), r.left() + r.width()); }
inline double minY(const QRectF& r) { return std::min(r.top(), r.top() + r.height()); }
inline double maxY(const QRectF& r) { return std::max(r.top(), r.top() + r.height()); }
inline double midX(const QRectF& r) { return (minX(r) + maxX(r)) / 2.0; }
inline double midY(const QRectF& r) { return (minY(r) + maxY(r)) / 2.0; }
inline QPointF mid(const QRectF& r) { return {midX(r), midY(r)}; }

inline bool isEmpty(const QRectF& r) { return r.width() == 0.0 || r.height() == 0.0; }

// True when minX <= x < maxX and minY <= y < maxY; an empty rectangle contains nothing.
inline bool contains(const QRectF& r, const QPointF& p)
{
    if (isEmpty(r))
        return false;
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() >= minY(r) && p.y() < maxY(r);
}

// Shrinks by dx on the left and right and dy on the top and bottom (negative values
// grow). Absent when the result would have a negative width or height.
inline std::optional<QRectF> insetBy(const QRectF& r, double dx, double dy)
{
    const QRectF s = standardized(r);
    const double w = s.width() - 2.0 * dx;
    const double h = s.height() - 2.0 * dy;
    if (w < 0.0 || h < 0.0)
        return std::nullopt;
    return QRectF(s.left() + dx, s.top() + dy, w, h);
}

// The overlap of two rectangles; absent when they do not overlap (touching edges
// give a zero-area rectangle, which is still an intersection).
inline std::optional<QRectF> intersection(const QRectF& a, const QRectF& b)
{
    const double x0 = std::max(minX(a), minX(b));
    const double y0 = std::max(minY(a), minY(b));
    const double x1 = std::min(maxX(a), maxX(b));
    const double y1 = std::min(maxY(a), maxY(b));
    if (x1 < x0 || y1 < y0)
        return std::nullopt;
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

inline QRectF unite(const QRectF& a, const QRectF& b)
{
    const double x0 = std::min(minX(a), minX(b));
    const double y0 = std::min(minY(a), minY(b));
    const double x1 = std::max(maxX(a), maxX(b));
    const double y1 = std::max(maxY(a), maxY(b));
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

// Smallest rectangle with whole-number edges that holds r (rounds outward).
inline QRectF integral(const QRectF& r)
{
    const QRectF s = standardized(r);
    const double x0 = std::floor(s.left());
    const double y0 = std::floor(s.top());
    const double x1 = std::ceil(s.right());
    const double y1 = std::ceil(s.bottom());
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

inline QRectF fromPoints(const QPointF& a, const QPointF& b)
{
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
}

inline double distance(const QPointF& a, const QPointF& b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

inline bool isFinite(const QSizeF& s) { return std::isfinite(s.width()) && std::isfinite(s.height()); }
inline bool isFinite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

} // namespace Geometry
