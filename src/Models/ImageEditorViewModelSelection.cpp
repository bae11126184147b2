// Acting on annotations already drawn: clicks and double clicks, moving the
// selection, and reshaping an annotation by one of its handles.
#include "Models/ImageEditorViewModel.h"

#include "Models/AnnotationGeometry.h"
#include "Models/TextMeasurement.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr auto kDoubleClickInterval = std::chrono::milliseconds(500);
constexpr double kDoubleClickDistance = 5.0;
constexpr double kMinimumHandleSize = 10.0;
constexpr double kMinimumTextWidth = 50.0;

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

QPointF normalized(QPointF p, QSizeF size)
{
    return QPointF(p.x() / size.width(), p.y() / size.height());
}

QRectF displayRect(const QRectF& r, QSizeF size)
{
    return QRectF(r.x() * size.width(), r.y() * size.height(), r.width() * size.width(), r.height() * size.height());
}

// Corner i of a rectangle: 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left.
QPointF corner(const QRectF& r, int i)
{
    const QRectF n = r.normalized();
    switch (((i % 4) + 4) % 4) {
    case 0:
        return n.topLeft();
    case 1:
        return QPointF(n.right(), n.top());
    case 2:
        return QPointF(n.right(), n.bottom());
    default:
        return QPointF(n.left(), n.bottom());
    }
}

// The display-space box an annotation's drawing is placed by: its points, its
// rectangle, its text box or its marker's outline. Line widths are left out, as
// they are when a shape is drawn: a stroke along the edge still shows.
std::optional<QRectF> annotationExtent(const AnnotationManager& store, const QUuid& id, QSizeF size, double referenceWidth)
{
    const double w = size.width();
    const double h = size.height();
    auto span = [&](QPointF a, QPointF b) { return QRectF(QPointF(a.x() * w, a.y() * h), QPointF(b.x() * w, b.y() * h)).normalized(); };
    if (const ArrowAnnotation* a = findAnnotation(store.arrows(), id))
        return span(a->startPoint, a->endPoint);
    if (const LineAnnotation* l = findAnnotation(store.lines(), id))
        return span(l->startPoint, l->endPoint);
    if (const RectangleAnnotation* r = findAnnotation(store.rectangles(), id))
        return displayRect(r->rect.normalized(), size);
    if (const FreehandAnnotation* f = findAnnotation(store.freehands(), id))
        return f->points.isEmpty() ? std::nullopt : std::optional<QRectF>(pointsBoundingRect(f->points, w, h));
    if (const TextAnnotation* t = findAnnotation(store.texts(), id))
        return textBoxRect(*t, w, h, referenceWidth);
    if (const NumberAnnotation* n = findAnnotation(store.numbers(), id))
        return numberMarkerPath(n->shape, QPointF(n->position.x() * w, n->position.y() * h), n->diameter).boundingRect();
    return std::nullopt;
}

} // namespace

void ImageEditorViewModel::recordTap(QPointF location)
{
    m_lastTapTime = now();
    m_lastTapLocation = location;
}

bool ImageEditorViewModel::isDoubleClick(QPointF point) const
{
    if (!m_lastTapTime || !m_lastTapLocation)
        return false;
    return now() - *m_lastTapTime < kDoubleClickInterval && distance(*m_lastTapLocation, point) < kDoubleClickDistance;
}

bool ImageEditorViewModel::handleDoubleClickOnText(QPointF startLocation, QSizeF displaySize, QSizeF imageSize)
{
    if (!isDoubleClick(startLocation))
        return false;
    const std::optional<QUuid> hit = m_annotationManager->hitTestAnnotation(startLocation, displaySize, imageSize);
    if (!hit || !findAnnotation(m_annotationManager->texts(), *hit))
        return false;
    editTextAnnotation(*hit, displaySize);
    recordTap(startLocation);
    return true;
}

bool ImageEditorViewModel::selectAnnotationAtPoint(QPointF point, QSizeF displaySize, QSizeF imageSize)
{
    const std::optional<QUuid> hit = m_annotationManager->hitTestAnnotation(point, displaySize, imageSize);
    if (!hit)
        return false;
    selectTool(ToolType::none);
    selectAnnotationLoadingStyle(*hit);
    return true;
}

void ImageEditorViewModel::moveSelectedAnnotation(QPointF location, QSizeF displaySize)
{
    if (!m_annotationDragLastLocation)
        return;
    const std::optional<QUuid> id = m_annotationManager->selectedAnnotationId();
    if (!id) {
        setAnnotationDragLastLocation(std::nullopt);
        return;
    }
    QPointF delta = location - *m_annotationDragLastLocation;
    // The annotation stops at the image's edge: off the image the canvas and the export
    // show nothing of it. The pointer's overshoot is not taken up, so the annotation
    // follows again once the pointer is back where it stopped.
    if (const std::optional<QRectF> extent = annotationExtent(*m_annotationManager, *id, displaySize, m_originalImageSize.width());
        extent && displaySize.width() > 0.0 && displaySize.height() > 0.0) {
        const QPointF back = shiftOnto(extent->translated(delta), displaySize);
        if (std::isfinite(back.x()) && std::isfinite(back.y())) {
            delta += back;
            location = *m_annotationDragLastLocation + delta;
        }
    }
    if (delta.x() != 0.0 || delta.y() != 0.0) {
        // A move is an undo step of its own, taken when the annotation first moves, so
        // undoing it does not also undo the change before it (a restyle, say).
        if (m_moveNeedsUndo) {
            m_moveNeedsUndo = false;
            saveUndoState();
        }
        m_annotationManager->moveAnnotation(*id, delta.x(), delta.y(), displaySize.width(), displaySize.height());
    }
    setAnnotationDragLastLocation(location);
}

QList<ImageEditorViewModel::SelectionHandle> ImageEditorViewModel::selectionHandles(QSizeF displaySize) const
{
    using Kind = HandleDragKind::Kind;
    const AnnotationManager& store = *m_annotationManager;
    const double w = displaySize.width();
    const double h = displaySize.height();
    QList<SelectionHandle> handles;
    auto scaled = [&](QPointF p) { return QPointF(p.x() * w, p.y() * h); };

    for (const ArrowAnnotation& a : store.arrows())
        if (a.isSelected) {
            handles.append({ { Kind::arrow, a.id, true }, scaled(a.startPoint) });
            handles.append({ { Kind::arrow, a.id, false }, scaled(a.endPoint) });
        }
    for (const LineAnnotation& l : store.lines())
        if (l.isSelected) {
            handles.append({ { Kind::line, l.id, true }, scaled(l.startPoint) });
            handles.append({ { Kind::line, l.id, false }, scaled(l.endPoint) });
        }
    for (const RectangleAnnotation& r : store.rectangles())
        if (r.isSelected) {
            const QRectF d = displayRect(r.rect, displaySize);
            for (int c = 0; c < 4; ++c)
                handles.append({ { Kind::rectCorner, r.id, false, c }, corner(d, c) });
        }
    for (const FreehandAnnotation& f : store.freehands())
        if (f.isSelected) {
            const QRectF b = pointsBoundingRect(f.points, w, h);
            for (int c = 0; c < 4; ++c)
                handles.append({ { Kind::freehandCorner, f.id, false, c }, corner(b, c) });
        }
    for (const TextAnnotation& t : store.texts())
        if (t.isSelected && !(m_isEditingText && m_editingTextId == t.id)) {
            const QRectF box = textBoxRect(t, w, h, m_originalImageSize.width());
            handles.append({ { Kind::textSide, t.id, false, 0, true }, QPointF(box.left(), box.center().y()) });
            handles.append({ { Kind::textSide, t.id, false, 0, false }, QPointF(box.right(), box.center().y()) });
        }
    return handles;
}

void ImageEditorViewModel::beginHandleDrag(const HandleDragKind& kind, QPointF startLocation, QSizeF displaySize)
{
    // The undo step is taken by the first update that really changes the annotation,
    // so a handle that is pressed and released in place leaves no step behind.
    m_styleUndoGroup.reset();
    m_handleDragNeedsUndo = true;
    setActiveHandleKind(kind);
    setHoveredHandleIndex(std::nullopt);
    m_handleDragStartLocal = startLocation;
    m_handleDragFixedCorner.reset();
    if (kind.kind == HandleDragKind::Kind::rectCorner) {
        if (const RectangleAnnotation* r = findAnnotation(m_annotationManager->rectangles(), kind.id))
            m_handleDragFixedCorner = corner(r->rect, kind.corner + 2);
    }
    if (kind.kind == HandleDragKind::Kind::freehandCorner) {
        if (const FreehandAnnotation* f = findAnnotation(m_annotationManager->freehands(), kind.id)) {
            m_draggingFreehandOriginalPoints = f->points;
            m_draggingFreehandOriginalBounds = pointsBoundingRect(f->points, displaySize.width(), displaySize.height());
        }
    }
}

void ImageEditorViewModel::endHandleDrag()
{
    setActiveHandleKind(std::nullopt);
    m_handleDragStartLocal.reset();
    m_handleDragFixedCorner.reset();
    m_draggingFreehandOriginalPoints.reset();
    m_draggingFreehandOriginalBounds.reset();
    m_handleDragNeedsUndo = false;
}

void ImageEditorViewModel::updateHandleDrag(QPointF location, QSizeF displaySize)
{
    if (!m_activeHandleKind)
        return;
    const HandleDragKind kind = *m_activeHandleKind;
    AnnotationManager& store = *m_annotationManager;
    const double w = displaySize.width();
    const double h = displaySize.height();
    auto takeUndoStep = [this] {
        if (m_handleDragNeedsUndo) {
            saveUndoState();
            m_handleDragNeedsUndo = false;
        }
    };

    switch (kind.kind) {
    case HandleDragKind::Kind::arrow: {
        const ArrowAnnotation* a = findAnnotation(store.arrows(), kind.id);
        if (!a)
            return;
        const QPointF p = normalized(location, displaySize);
        if ((kind.isStart ? a->startPoint : a->endPoint) == p)
            return;
        takeUndoStep();
        if (kind.isStart)
            store.updateArrow(kind.id, p);
        else
            store.updateArrow(kind.id, {}, p);
        return;
    }
    case HandleDragKind::Kind::line: {
        const LineAnnotation* l = findAnnotation(store.lines(), kind.id);
        if (!l)
            return;
        const QPointF p = normalized(location, displaySize);
        if ((kind.isStart ? l->startPoint : l->endPoint) == p)
            return;
        takeUndoStep();
        if (kind.isStart)
            store.updateLine(kind.id, p);
        else
            store.updateLine(kind.id, {}, p);
        return;
    }
    case HandleDragKind::Kind::rectCorner: {
        const RectangleAnnotation* r = findAnnotation(store.rectangles(), kind.id);
        if (!r)
            return;
        // The opposite corner stays; the rectangle spans from it to the pointer, also
        // when the pointer has crossed over it.
        const QPointF fixed = m_handleDragFixedCorner
            ? QPointF(m_handleDragFixedCorner->x() * w, m_handleDragFixedCorner->y() * h)
            : corner(displayRect(r->rect, displaySize), kind.corner + 2);
        const QRectF spanned = QRectF(fixed, location).normalized();
        if (!(spanned.width() > kMinimumHandleSize && spanned.height() > kMinimumHandleSize))
            return;
        const QRectF rect = (w > 0.0 && h > 0.0)
            ? QRectF(spanned.x() / w, spanned.y() / h, spanned.width() / w, spanned.height() / h)
            : QRectF();
        if (rect == r->rect)
            return;
        takeUndoStep();
        store.updateRectangle(kind.id, rect);
        return;
    }
    case HandleDragKind::Kind::freehandCorner: {
        if (!m_draggingFreehandOriginalPoints || !m_draggingFreehandOriginalBounds)
            return;
        const FreehandAnnotation* f = findAnnotation(store.freehands(), kind.id);
        if (!f)
            return;
        const QRectF b = *m_draggingFreehandOriginalBounds;
        const QPointF anchor = corner(b, kind.corner + 2);
        const double dx = std::fabs(location.x() - anchor.x());
        const double dy = std::fabs(location.y() - anchor.y());
        if (!(dx > kMinimumHandleSize && dy > kMinimumHandleSize) || !(w > 0.0 && h > 0.0))
            return;
        const double sx = b.width() > 1.0 ? dx / b.width() : 1.0;
        const double sy = b.height() > 1.0 ? dy / b.height() : 1.0;
        QList<QPointF> points;
        points.reserve(m_draggingFreehandOriginalPoints->size());
        for (const QPointF& p : *m_draggingFreehandOriginalPoints) {
            const QPointF d(p.x() * w, p.y() * h);
            points.append(QPointF(((d.x() - anchor.x()) * sx + anchor.x()) / w, ((d.y() - anchor.y()) * sy + anchor.y()) / h));
        }
        if (points == f->points)
            return;
        takeUndoStep();
        store.updateFreehand(kind.id, points);
        return;
    }
    case HandleDragKind::Kind::textSide: {
        const TextAnnotation* t = findAnnotation(store.texts(), kind.id);
        if (!t || !(w > 0.0))
            return;
        const QRectF box = textBoxRect(*t, w, h, m_originalImageSize.width());
        // A side stops at the image's edge, and a text grown taller by the narrowing
        // stays on the image: off it nothing of the text shows.
        const double x = std::clamp(location.x(), 0.0, w);
        double width, centreX;
        if (kind.isLeft) {
            width = std::max(box.right() - x, kMinimumTextWidth);
            centreX = x + width / 2.0;
        } else {
            width = std::max(x - box.left(), kMinimumTextWidth);
            centreX = box.left() + width / 2.0;
        }
        const double normalizedWidth = (width - 2.0) / w;
        TextAnnotation reshaped = *t;
        reshaped.position = QPointF(centreX / w, t->position.y());
        reshaped.width = normalizedWidth;
        const QPointF position = textPositionInside(reshaped, w, h, m_originalImageSize.width());
        if (position == t->position && normalizedWidth == t->width)
            return;
        takeUndoStep();
        store.updateText(kind.id, {}, position, {}, {}, {}, normalizedWidth);
        return;
    }
    }
}
