#pragma once

#include "Models/Annotations.h"
#include "Platform/Image.h"

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

#include <optional>

class QPainter;
class MosaicImageCache;

// Paint functions for the area and marker annotations: rectangles with their three
// effects (plain shape, mosaic, spotlight), numbered markers and texts. Each draws
// one annotation in a drawing space of `size` (W x H); normalised geometry is
// multiplied by W and H, line widths and diameters are drawn as they are, and a
// selected annotation is drawn at the selection opacity multiplied into the
// painter's. The painter's state is left as it was. Shared by canvas and exporter.
namespace AnnotationRenderers {

// The outline of a shape type in a rectangle of drawing points: the rectangle, the
// rectangle with rounded corners (a radius beyond half the shorter side is reduced
// to it), or the inscribed ellipse.
QPainterPath shapeOutline(ShapeType shapeType, const QRectF& rect, double cornerRadius);

// A plain shape whose `rect` is already in drawing points (a committed rectangle
// after mapping, or the drag preview): the fill (none when there is no fill colour)
// under a butt-capped, mitred stroke centred on the outline.
void paintRectangleShape(QPainter& painter, const RectangleAnnotation& shapeInDrawingPoints);

// Where a mosaic area takes its pixels from. With no image the area falls back to
// its plain outline; with no cache the cells are made afresh on every call.
struct MosaicSource {
    std::optional<Image> image;
    MosaicImageCache* cache = nullptr;
};

// A rectangle by its effect: a mosaic area is pixelated over its whole bounding
// rectangle, whatever its shape (or, when it cannot be, drawn as its plain shape);
// a spotlight dims everything of the W x H space outside its shape with black at
// spotlightDim; anything else is the plain shape.
void paintRectangle(QPainter& painter, const RectangleAnnotation& rectangle, QSizeF size,
                    const MosaicSource& mosaic);

// The marker's outline filled in its colour with its value in bold white, centred
// on the marker (on the round head of a teardrop).
void paintNumber(QPainter& painter, const NumberAnnotation& number, QSizeF size);

// Where the value of a marker is centred, in drawing points.
QPointF numberTextCentre(const NumberAnnotation& number, QSizeF size);

// A committed text: laid out by the shared text layout at fontSize x textScale,
// wrapped at its box width, inside textBoxRect padded by 1 point left and right and
// 2 points top and bottom; a selected text also shows a dashed blue frame. The font
// is scaled by W over `referenceWidth`, the original image's width (1 when that is
// not positive).
void paintText(QPainter& painter, const TextAnnotation& text, QSizeF size, double referenceWidth);

// The padded frame the text is drawn in: textBoxRect's box, at least 5 points high.
QRectF textFrame(const TextAnnotation& text, QSizeF size, double referenceWidth);

// W over the reference (original image) width, or 1 when that width is not positive.
double textScaleFor(QSizeF size, double referenceWidth);

} // namespace AnnotationRenderers
