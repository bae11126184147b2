#pragma once

#include "Models/Annotations.h"

#include <QList>
#include <QPointF>
#include <QSizeF>

class QPainter;

// Paint functions for the annotations made of strokes: freehand and highlighter
// strokes, lines and arrows. Each draws one annotation in a drawing space of
// `size` (W x H), multiplying its normalised points by W and H; widths and
// diameters are drawn as they are. A selected annotation is drawn at the selection
// opacity, multiplied into whatever opacity the painter already has, so a caller
// can wrap a call in its own opacity (the drag preview does). The painter's state
// is left as it was. Shared by the canvas and the exporter.
namespace AnnotationRenderers {

// A stroke whose points are already in drawing space (the committed stroke after
// mapping, or the freehand preview's points as they are). A highlighter is drawn
// highlighterWidthFactor times wider, multiplied onto what lies below at
// `highlighterAlpha`; each taper piece is blended on its own.
void paintFreehandPoints(QPainter& painter, const QList<QPointF>& points, const RgbaColor& color, double lineWidth,
                         LineCapStyle capStyle, bool isHighlighter, double highlighterAlpha);

void paintFreehand(QPainter& painter, const FreehandAnnotation& stroke, QSizeF size);

// A round-capped stroke, dashed for the dashed style, with a filled dot on each end
// for the dotted style.
void paintLine(QPainter& painter, const LineAnnotation& line, QSizeF size);

// The stroked shaft and head, and the filled head for the filled and dot styles.
void paintArrow(QPainter& painter, const ArrowAnnotation& arrow, QSizeF size);

} // namespace AnnotationRenderers
