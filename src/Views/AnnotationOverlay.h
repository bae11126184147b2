#pragma once

#include "Models/Annotations.h"
#include "Views/AreaRenderers.h"
#include "Views/SelectionHandles.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QUuid>

#include <optional>
#include <vector>

class AnnotationManager;
class QPainter;

// The shapes being dragged out and the style they take, as the editor model holds
// them while a drag is under way. Points are in the overlay's own points (not
// normalised); a preview is drawn only while all of its points are present.
struct AnnotationOverlayPreviews {
    std::optional<QPointF> tempArrowStart;
    std::optional<QPointF> tempArrowEnd;
    std::optional<QPointF> tempLineStart;
    std::optional<QPointF> tempLineEnd;
    std::optional<QList<QPointF>> tempFreehandPoints;
    std::optional<QPointF> tempRectStart;
    std::optional<QPointF> tempRectEnd;
    std::optional<QRectF> tempTextBoxRect;

    RgbaColor currentArrowColor;
    double currentArrowLineWidth = 0.0;
    ArrowHeadStyle currentArrowHeadStyle = ArrowHeadStyle::open;
    RgbaColor currentLineColor;
    double currentLineLineWidth = 0.0;
    LineStyle currentLineStyle = LineStyle::solid;
    RgbaColor currentFreehandColor;
    double currentFreehandLineWidth = 0.0;
    LineCapStyle currentFreehandLineCap = LineCapStyle::round;
    bool currentFreehandIsHighlighter = false;
    double currentHighlighterAlpha = 1.0;
    ShapeType currentShapeType = ShapeType::rectangle;
    RgbaColor currentStrokeColor;
    std::optional<RgbaColor> currentFillColor;
    double currentRectLineWidth = 0.0;
};

// Everything drawn over the displayed image that is not the image itself: every
// annotation, the drag previews, the frame of a text box being drawn and the
// selection handles. It keeps no state: fill it from the editor's model on every
// paint. It draws in the display coordinates of the unrotated image, W x H = `size`
// (normalised geometry times W and H; widths unscaled; text at fontSize x W over
// the original image's width); the canvas applies rotation and pan around it.
//
// Back to front: freehand strokes, lines, arrows, the arrow, line and freehand
// previews, rectangles with their mosaic and spotlight areas, the rectangle preview,
// the text box frame, texts (not the one open in the in-place editor), numbered
// markers, the handles. So every rectangle lies above every stroke and every text
// and marker above everything else, whatever order they were made in.
//
// The exporter paints the same overlay without previews and handles, at the image's
// own size and with no mosaic cache.
struct AnnotationOverlay {
    const AnnotationManager* annotations = nullptr;
    QSizeF size;
    QSizeF originalImageSize;
    AnnotationRenderers::MosaicSource mosaic;
    std::optional<QUuid> editingTextId;
    const AnnotationOverlayPreviews* previews = nullptr;
    const SelectionHandlesLayer* handles = nullptr;

    // W over the original image's width, or 1 when that width is not positive.
    double textScale() const;

    void paint(QPainter& painter) const;

    // The dashed frames of the selected freehand strokes for the handles layer: the
    // bounding box of each stroke's points in drawing points, in list order.
    static std::vector<QRectF> selectedFreehandFrames(const AnnotationManager& annotations, QSizeF size);
};
