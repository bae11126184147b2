#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRectF>

#include <functional>

// Fast drawing of wide antialiased strokes with Qt's raster engine.
//
// Qt fills an antialiased shape at a cost that grows with the size of the shape's
// bounding box, so a round-capped diagonal line across a 4K canvas takes many
// milliseconds, and far more again when it is translucent. Only an opaque,
// flat-capped straight segment takes Qt's quick line rasteriser. So strokes are
// drawn here as opaque flat-capped segments with round caps and joins added as
// small discs (the union is exactly the round-capped, round-joined stroke), and a
// translucent or blended stroke is drawn opaque into a small layer that is then
// composited once with its opacity and blend mode, which also keeps overlapping
// pieces of one stroke from darkening each other.
namespace StrokeRaster {

// The bounding box of a non-empty point list, grown by `pad` on every side.
QRectF pointsBounds(const QList<QPointF>& points, qreal pad);

// Draws the union of segments of the given width in an opaque colour: each
// segment with flat ends, plus a disc of the stroke's width on every point listed
// in `discCentres` (round caps and round joins).
void fillOpaqueSegments(QPainter& painter, const QList<QLineF>& segments, const QList<QPointF>& discCentres,
                        qreal width, const QColor& opaqueColour);

// An open polyline with round joins and `cap` (round or flat) ends, in an opaque colour.
void strokeOpaquePolyline(QPainter& painter, const QList<QPointF>& points, qreal width, const QColor& opaqueColour,
                          Qt::PenCapStyle cap);

// Independent segments, each with its own `cap` (round or flat) ends, in an opaque colour.
void strokeOpaqueSegments(QPainter& painter, const QList<QLineF>& segments, qreal width, const QColor& opaqueColour,
                          Qt::PenCapStyle cap);

// Runs `draw` (which should draw opaque shapes within `bounds`, in the painter's
// current coordinates) and shows the result at `opacity` times the painter's own
// opacity, blended with `mode`. When that comes to full opacity with normal
// blending, `draw` paints straight onto the painter; otherwise it paints into a
// transparent layer covering the visible part of `bounds`, composited once.
void paintComposited(QPainter& painter, const QRectF& bounds, qreal opacity, QPainter::CompositionMode mode,
                     const std::function<void(QPainter&)>& draw);

} // namespace StrokeRaster
