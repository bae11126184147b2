#include "Views/AnnotationOverlay.h"

#include "Models/AnnotationGeometry.h"
#include "Models/AnnotationManager.h"
#include "Views/RendererCommon.h"
#include "Views/StrokeRenderers.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The rectangle preview is always a plain shape in the rectangle tool's colours, so a
// mosaic or spotlight area being dragged shows its outline, not its effect.
constexpr double previewCornerRadius = 8.0;

void paintStrokePreviews(QPainter& painter, const AnnotationOverlayPreviews& p, QSizeF size)
{
    const bool canNormalise = size.width() > 0.0 && size.height() > 0.0;
    auto normalised = [&](QPointF v) { return QPointF(v.x() / size.width(), v.y() / size.height()); };

    if (canNormalise && p.tempArrowStart && p.tempArrowEnd) {
        ScopedOpacity preview(painter, RendererStyle::previewOpacity);
        AnnotationRenderers::paintArrow(painter,
                                        ArrowAnnotation{.startPoint = normalised(*p.tempArrowStart),
                                                        .endPoint = normalised(*p.tempArrowEnd),
                                                        .color = p.currentArrowColor,
                                                        .lineWidth = p.currentArrowLineWidth,
                                                        .headStyle = p.currentArrowHeadStyle},
                                        size);
    }
    if (canNormalise && p.tempLineStart && p.tempLineEnd) {
        ScopedOpacity preview(painter, RendererStyle::previewOpacity);
        AnnotationRenderers::paintLine(painter,
                                       LineAnnotation{.startPoint = normalised(*p.tempLineStart),
                                                      .endPoint = normalised(*p.tempLineEnd),
                                                      .lineStyle = p.currentLineStyle,
                                                      .lineWidth = p.currentLineLineWidth,
                                                      .color = p.currentLineColor},
                                       size);
    }
    if (p.tempFreehandPoints && p.tempFreehandPoints->size() >= 2) {
        ScopedOpacity preview(painter, RendererStyle::previewOpacity);
        AnnotationRenderers::paintFreehandPoints(painter, *p.tempFreehandPoints, p.currentFreehandColor,
                                                 p.currentFreehandLineWidth, p.currentFreehandLineCap,
                                                 p.currentFreehandIsHighlighter, p.currentHighlighterAlpha);
    }
}

void paintRectanglePreview(QPainter& painter, const AnnotationOverlayPreviews& p)
{
    if (!p.tempRectStart || !p.tempRectEnd)
        return;
    const QPointF a = *p.tempRectStart;
    const QPointF b = *p.tempRectEnd;
    const RectangleAnnotation shape{.rect = QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()),
                                                   std::abs(b.x() - a.x()), std::abs(b.y() - a.y())),
                                    .shapeType = p.currentShapeType,
                                    .strokeColor = p.currentStrokeColor,
                                    .fillColor = p.currentFillColor,
                                    .lineWidth = p.currentRectLineWidth,
                                    .cornerRadius = previewCornerRadius};
    ScopedOpacity preview(painter, RendererStyle::previewOpacity);
    AnnotationRenderers::paintRectangleShape(painter, shape);
}

void paintTextBoxFrame(QPainter& painter, const AnnotationOverlayPreviews& p)
{
    if (!p.tempTextBoxRect)
        return;
    const QRectF box = p.tempTextBoxRect->normalized();
    const QSizeF framed(std::max(1.0, box.width()), std::max(1.0, box.height()));
    const QRectF frame(box.center().x() - framed.width() / 2.0, box.center().y() - framed.height() / 2.0,
                       framed.width(), framed.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(RendererStyle::dashedPen(RendererStyle::standardBlue(), 1.0, 4.0));
    painter.drawRect(frame);
    painter.restore();
}

} // namespace

double AnnotationOverlay::textScale() const
{
    return AnnotationRenderers::textScaleFor(size, originalImageSize.width());
}

void AnnotationOverlay::paint(QPainter& painter) const
{
    if (!annotations)
        return;
    const AnnotationManager& store = *annotations;

    for (const FreehandAnnotation& stroke : store.freehands())
        AnnotationRenderers::paintFreehand(painter, stroke, size);
    for (const LineAnnotation& line : store.lines())
        AnnotationRenderers::paintLine(painter, line, size);
    for (const ArrowAnnotation& arrow : store.arrows())
        AnnotationRenderers::paintArrow(painter, arrow, size);
    if (previews)
        paintStrokePreviews(painter, *previews, size);

    for (const RectangleAnnotation& rectangle : store.rectangles())
        AnnotationRenderers::paintRectangle(painter, rectangle, size, mosaic);
    if (previews) {
        paintRectanglePreview(painter, *previews);
        paintTextBoxFrame(painter, *previews);
    }

    // The text open in the in-place editor is shown by the editor, not here.
    for (const TextAnnotation& text : store.texts())
        if (!editingTextId || *editingTextId != text.id)
            AnnotationRenderers::paintText(painter, text, size, originalImageSize.width());
    for (const NumberAnnotation& number : store.numbers())
        AnnotationRenderers::paintNumber(painter, number, size);

    if (handles)
        SelectionHandles::paint(painter, *handles);
}

std::vector<QRectF> AnnotationOverlay::selectedFreehandFrames(const AnnotationManager& annotations, QSizeF size)
{
    std::vector<QRectF> frames;
    for (const FreehandAnnotation& stroke : annotations.freehands())
        if (stroke.isSelected)
            frames.push_back(pointsBoundingRect(stroke.points, size.width(), size.height()));
    return frames;
}
