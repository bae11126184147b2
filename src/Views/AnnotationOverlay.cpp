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

// What of the drawing space the painter can show: the whole surface seen through its
// transforms, within its clip. Annotations wholly outside it are skipped, which is
// most of them when the picture is painted in bands or zoomed in.
QRectF visibleArea(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return {};
    QRectF surface = device->devType() == QInternal::Image
                         ? QRectF(QPointF(0, 0), static_cast<const QImage*>(device)->deviceIndependentSize())
                         : QRectF(0, 0, device->width(), device->height());
    bool invertible = false;
    const QTransform back = painter.combinedTransform().inverted(&invertible);
    if (!invertible)
        return QRectF(-1e12, -1e12, 2e12, 2e12);
    QRectF area = back.mapRect(surface);
    if (painter.hasClipping())
        area = area.intersected(painter.clipBoundingRect());
    return area;
}

QRectF grown(const QRectF& r, double by) { return r.normalized().adjusted(-by, -by, by, by); }

QRectF between(QPointF a, QPointF b) { return QRectF(a, b).normalized(); }

QPointF scaled(QPointF p, QSizeF size) { return QPointF(p.x() * size.width(), p.y() * size.height()); }

// Conservative boxes of what each annotation can cover: its geometry, heads and dots
// grown by its stroke width (and a point for antialiasing).
QRectF coverOf(const FreehandAnnotation& a, QSizeF size)
{
    const double w = a.isHighlighter ? a.lineWidth * highlighterWidthFactor : a.lineWidth;
    return grown(pointsBoundingRect(a.points, size.width(), size.height()), w + 1);
}

QRectF coverOf(const LineAnnotation& a, QSizeF size)
{
    QRectF cover = grown(between(scaled(a.startPoint, size), scaled(a.endPoint, size)), a.lineWidth);
    for (const QPainterPath& dot : lineEndDotPaths(a, size.width(), size.height()))
        cover = cover.united(dot.controlPointRect());
    return grown(cover, 1);
}

QRectF coverOf(const ArrowAnnotation& a, QSizeF size)
{
    // The head's mitred tip may reach past the path by a few line widths.
    QRectF cover = grown(arrowPath(a, size.width(), size.height()).controlPointRect(), 2 * a.lineWidth);
    if (const auto head = arrowHeadFillPath(a, size.width(), size.height()))
        cover = cover.united(head->controlPointRect());
    return grown(cover, 1);
}

QRectF coverOf(const RectangleAnnotation& a, QSizeF size)
{
    const QRectF r(a.rect.x() * size.width(), a.rect.y() * size.height(), a.rect.width() * size.width(),
                   a.rect.height() * size.height());
    return grown(r, std::max(a.lineWidth, 0.0) + 1);
}

QRectF coverOf(const NumberAnnotation& a, QSizeF size)
{
    return grown(numberMarkerPath(a.shape, scaled(a.position, size), a.diameter).controlPointRect(), 1);
}

template <typename A> bool mayShow(const A& annotation, QSizeF size, const QRectF& visible)
{
    const QRectF cover = coverOf(annotation, size);
    // A box that is not a number (or is empty along a line) cannot be ruled out.
    if (!std::isfinite(cover.x()) || !std::isfinite(cover.y()) || !std::isfinite(cover.width()) ||
        !std::isfinite(cover.height()))
        return true;
    return cover.intersects(visible);
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
    const QRectF visible = visibleArea(painter);

    for (const FreehandAnnotation& stroke : store.freehands())
        if (mayShow(stroke, size, visible))
            AnnotationRenderers::paintFreehand(painter, stroke, size);
    for (const LineAnnotation& line : store.lines())
        if (mayShow(line, size, visible))
            AnnotationRenderers::paintLine(painter, line, size);
    for (const ArrowAnnotation& arrow : store.arrows())
        if (mayShow(arrow, size, visible))
            AnnotationRenderers::paintArrow(painter, arrow, size);
    if (previews)
        paintStrokePreviews(painter, *previews, size);

    for (const RectangleAnnotation& rectangle : store.rectangles())
        if (rectangle.effect == AnnotationEffect::spotlight || mayShow(rectangle, size, visible))
            AnnotationRenderers::paintRectangle(painter, rectangle, size, mosaic);
    if (previews) {
        paintRectanglePreview(painter, *previews);
        paintTextBoxFrame(painter, *previews);
    }

    // The text open in the in-place editor is shown by the editor, not here.
    for (const TextAnnotation& text : store.texts())
        if ((!editingTextId || *editingTextId != text.id) &&
            grown(AnnotationRenderers::textFrame(text, size, originalImageSize.width()), 2).intersects(visible))
            AnnotationRenderers::paintText(painter, text, size, originalImageSize.width());
    for (const NumberAnnotation& number : store.numbers())
        if (mayShow(number, size, visible))
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
