#pragma once

#include "Models/Annotations.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

// Geometry shared by the canvas and the exporter, so an annotation looks the same
// on screen and in the saved image. Every function is pure. W x H is the size of the
// drawing space (y down) that normalised record coordinates are multiplied by;
// widths and diameters are drawing units and are not scaled.

// The shaft and, by head style, the head strokes: stroke it with the arrow's
// colour and lineWidth. `open` adds two separate head strokes, `filled` a closed
// triangle, `dot` nothing (its head is the fill path).
QPainterPath arrowPath(const ArrowAnnotation& arrow, double width, double height);

// What to fill after stroking arrowPath: nothing for `open`, the arrow path for
// `filled` (only the triangle encloses area), a dot of diameter
// max(2.5 x lineWidth, 8) on the tip for `dot`.
std::optional<QPainterPath> arrowHeadFillPath(const ArrowAnnotation& arrow, double width, double height);

// Dash lengths in drawing units: [3w, 2w] for `dashed`, nothing for `solid` and
// `dotted`, and nothing for a width that is not a positive number (a pattern of
// zero length would never advance along the line).
std::optional<QList<double>> lineDashPattern(const LineAnnotation& line);

// The same pattern in the units QPen::setDashPattern expects (multiples of the pen
// width): [3, 2] for a dashed line of any positive width.
std::optional<QList<qreal>> penDashPattern(const LineAnnotation& line);

// A dotted line is a solid stroke with a round dot of diameter max(2.5w, 8) on each
// end; solid and dashed lines get no dots.
QList<QPainterPath> lineEndDotPaths(const LineAnnotation& line, double width, double height);

// The outline of a number marker around a centre in drawing space. The teardrop's
// round head sits 0.15 d above the centre and its tail tip 0.65 d below it, so the
// drop spans 1.3 d with the centre in its middle. A diameter that is not a positive
// number gives an empty path.
QPainterPath numberMarkerPath(NumberShape shape, const QPointF& centre, double diameter);

// The shift, in the box's units, that brings `box` onto a bounds.width() x
// bounds.height() area with its origin at (0, 0): the shortest way onto it, or, on an
// axis where the box is not smaller than the area, with its left or top edge on the
// area's. The canvas and the export draw annotations on the image alone, so what the
// user made is placed or kept where this puts it.
QPointF shiftOnto(const QRectF& box, QSizeF bounds);

// Bounding box of normalised points scaled to W x H; the zero rectangle for none.
QRectF pointsBoundingRect(const QList<QPointF>& points, double width, double height);

// Running length along the polyline: one entry per point, the first 0.
QList<double> cumulativeArcLengths(const QList<QPointF>& points);

// The point at a distance along the polyline, the distance clamped to its length.
QPointF pointAtArcLength(const QList<QPointF>& points, const QList<double>& arcLengths, double distance);

// The part of the polyline between two distances: the interpolated point at
// `from`, the points strictly between, the interpolated point at `to`. Nothing
// unless to > from and arcLengths matches points.
std::optional<QList<QPointF>> polylineSlice(const QList<QPointF>& points, const QList<double>& arcLengths,
                                            double from, double to);

// One piece of a freehand stroke: stroke `points` as one open polyline.
struct StrokeSegment {
    QList<QPointF> points;
    double width = 0.0;
    Qt::PenCapStyle cap = Qt::RoundCap;
};

// Splits a stroke (points already in drawing space) into pieces to stroke in
// order. `round` and `butt` give one piece; `taper` gives up to 17 round-capped
// pieces whose width rises over the first T of the length in eight steps, stays at
// the full width, and falls over the last T, none narrower than 0.5, where
// T = min(length / 3, max(3 x width, 8)).
QList<StrokeSegment> freehandStrokeSegments(const QList<QPointF>& points, LineCapStyle capStyle, double width);
