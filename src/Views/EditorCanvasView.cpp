// The canvas's viewport and pointer: fitting, zoom and pan, and which gesture a press
// becomes. Painting is in EditorCanvasViewPaint.cpp.
#include "Views/EditorCanvasView.h"

#include "Core/Notifications.h"
#include "Views/InPlaceTextEditor.h"
#include "Views/SelectionHandles.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

double limitedZoom(double z)
{
    z = std::min(EditorCanvasView::maximumZoom, std::max(EditorCanvasView::minimumZoom, z));
    return std::fabs(z - 1.0) < EditorCanvasView::actualSizeSnap ? 1.0 : z;
}

} // namespace

EditorCanvasView::EditorCanvasView(ImageEditorViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AcceptTouchEvents, false);

    m_textEditor = new InPlaceTextEditor(viewModel, this);
    m_textEditor->hide();

    connect(m_viewModel, &ImageEditorViewModel::changed, this, qOverload<>(&QWidget::update));
    // What each cached layer is painted from.
    connect(m_viewModel, &ImageEditorViewModel::documentChanged, this, &EditorCanvasView::invalidateLayers);
    connect(m_viewModel, &ImageEditorViewModel::zoomChanged, this, &EditorCanvasView::invalidateLayers);
    connect(m_viewModel, &ImageEditorViewModel::textEditingChanged, this, [this] { m_marksValid = false; });
    const AnnotationManager* store = m_viewModel->annotationManager();
    for (auto signal : { &AnnotationManager::freehandsChanged, &AnnotationManager::linesChanged,
                         &AnnotationManager::arrowsChanged })
        connect(store, signal, this, [this] { m_belowValid = false; });
    connect(store, &AnnotationManager::rectanglesChanged, this, [this] { m_rectanglesValid = false; });
    for (auto signal : { &AnnotationManager::textsChanged, &AnnotationManager::numbersChanged })
        connect(store, signal, this, [this] { m_marksValid = false; });
    connect(m_viewModel, &ImageEditorViewModel::zoomChanged, this, &EditorCanvasView::adoptZoomChange);
    connect(m_viewModel, &ImageEditorViewModel::documentChanged, this, &EditorCanvasView::observeDocument);
    for (auto signal : { &ImageEditorViewModel::textEditingChanged, &ImageEditorViewModel::stylesChanged,
                         &ImageEditorViewModel::annotationsChanged })
        connect(m_viewModel, signal, this, [this] { m_textEditor->sync(currentTransform()); });

    NotificationCenter::defaultCenter().addObserver(Notifications::cropConfirm, this,
                                                    [this](const NotificationCenter::Payload&) { confirmCrop(); });
    observeDocument();
}

EditorCanvasView::~EditorCanvasView() = default;

QSizeF EditorCanvasView::scaledSize() const
{
    const auto& image = m_viewModel->selectedImage();
    if (!image)
        return {};
    const QSizeF size = image->size();
    return QSizeF(size.width() * m_viewModel->zoomLevel(), size.height() * m_viewModel->zoomLevel());
}

HandleFrameTransform EditorCanvasView::currentTransform() const
{
    const auto& image = m_viewModel->selectedImage();
    const QSizeF imageSize = image ? image->size() : QSizeF();
    return CanvasGeometry::makeTransform(imageSize, m_viewModel->zoomLevel(), m_viewModel->rotation(), fitArea(),
                                         m_dragOffset);
}

QSizeF EditorCanvasView::panLimitAt(double zoom) const
{
    const auto& image = m_viewModel->selectedImage();
    if (!image)
        return QSizeF(0.0, 0.0);
    const QSizeF scaled(image->size().width() * zoom, image->size().height() * zoom);
    return CanvasGeometry::panLimit(CanvasGeometry::rotatedBounds(scaled, m_viewModel->rotation()), fitArea());
}

void EditorCanvasView::setReservedBottom(int points)
{
    m_reservedBottom = std::max(0, points);
    m_textEditor->sync(currentTransform());
    update();
}

// ---- model observers ------------------------------------------------------------------------

void EditorCanvasView::adoptZoomChange()
{
    // An anchored zoom leaves its offset in the model before it changes the level, so
    // this observer (which Qt runs inside the setter) finds it; any other zoom change
    // re-centres the image.
    if (const std::optional<QSizeF> pending = m_viewModel->anchoredZoomPendingOffset()) {
        m_dragOffset = *pending;
        m_lastDragOffset = *pending;
        m_viewModel->setAnchoredZoomPendingOffset(std::nullopt);
    } else {
        m_dragOffset = QSizeF(0.0, 0.0);
        m_lastDragOffset = QSizeF(0.0, 0.0);
    }
    m_textEditor->sync(currentTransform());
    update();
}

void EditorCanvasView::observeDocument()
{
    const auto& image = m_viewModel->selectedImage();
    const void* bits = image ? static_cast<const void*>(image->bitmap().constBits()) : nullptr;
    if (bits != m_shownImageBits || image.has_value() != m_hadImage) {
        m_shownImageBits = bits;
        m_hadImage = image.has_value();
        m_dragOffset = QSizeF(0.0, 0.0);
        m_lastDragOffset = QSizeF(0.0, 0.0);
        m_session = PointerSession();
    }
    if (m_viewModel->isNewlyLoaded())
        tryFitNewImage(true);
    m_textEditor->sync(currentTransform());
    update();
}

void EditorCanvasView::tryFitNewImage(bool allowRetry)
{
    if (!m_viewModel->isNewlyLoaded() || !m_viewModel->selectedImage())
        return;
    if (width() > 10 && height() > 10) {
        // A new image is shown whole, but never enlarged: a small capture at its own
        // size, not blown up into blurred pixels (the fit command still fills the window).
        m_viewModel->fitZoomNoUpscale(fitArea());
        m_viewModel->setIsNewlyLoaded(false);
        return;
    }
    if (allowRetry && !m_fitRetryPending) {
        m_fitRetryPending = true;
        QTimer::singleShot(fitRetryDelayMs, this, [this] {
            m_fitRetryPending = false;
            tryFitNewImage(false);
        });
    }
}

// ---- wheel, pinch and commands --------------------------------------------------------------

void EditorCanvasView::anchoredZoom(double ratio, QPointF anchor, double newZoom)
{
    const std::optional<QSizeF> pending = m_viewModel->anchoredZoomPendingOffset();
    const QSizeF base = pending ? *pending : m_dragOffset;
    const QSizeF next(base.width() + (1.0 - ratio) * (anchor.x() - base.width()),
                      base.height() + (1.0 - ratio) * (anchor.y() - base.height()));
    m_viewModel->setAnchoredZoomPendingOffset(CanvasGeometry::clampPan(next, panLimitAt(newZoom)));
}

// `unitAnchor` is the pinch centre as a fraction of the canvas; it stays put on screen.
void EditorCanvasView::zoomAtUnitAnchor(double next, QPointF unitAnchor)
{
    const QSizeF area = fitArea();
    anchoredZoom(next / m_viewModel->zoomLevel(),
                 QPointF(unitAnchor.x() * area.width() - area.width() / 2.0,
                         unitAnchor.y() * area.height() - area.height() / 2.0),
                 next);
    m_viewModel->setZoomLevel(next);
}

void EditorCanvasView::zoomAtPoint(double delta, std::optional<QPointF> canvasPoint)
{
    if (!m_viewModel->selectedImage() || m_viewModel->isCropping())
        return;
    const double zoom = m_viewModel->zoomLevel();
    const double next = limitedZoom(zoom * (delta > 0.0 ? wheelZoomFactor : 1.0 / wheelZoomFactor));
    if (next == zoom)
        return;
    const double ratio = next / zoom;
    // The canvas's size is read now, when the event arrives, not when it first showed.
    const QSizeF area = fitArea();
    if (canvasPoint && area.width() > 1.0 && area.height() > 1.0) {
        const double x = std::min(std::max(canvasPoint->x(), 0.0), area.width());
        const double y = std::min(std::max(canvasPoint->y(), 0.0), area.height());
        anchoredZoom(ratio, QPointF(x - area.width() / 2.0, y - area.height() / 2.0), next);
    }
    m_viewModel->setZoomLevel(next);
}

void EditorCanvasView::panByScroll(double dx, double dy)
{
    if (m_pinchStartZoom || !m_viewModel->selectedImage())
        return;
    m_dragOffset = CanvasGeometry::clampPan(QSizeF(m_dragOffset.width() + dx, m_dragOffset.height() + dy),
                                            panLimitAt(m_viewModel->zoomLevel()));
    m_lastDragOffset = m_dragOffset;
    m_textEditor->sync(currentTransform());
    update();
}

void EditorCanvasView::toggleSmartZoom()
{
    if (!m_viewModel->selectedImage() || m_viewModel->isCropping())
        return;
    if (std::fabs(m_viewModel->zoomLevel() - 1.0) < 0.01)
        m_viewModel->fitZoom(fitArea());
    else
        m_viewModel->setZoomLevel(1.0);
}

void EditorCanvasView::pinchChanged(double magnification, QPointF unitAnchor)
{
    if (!m_viewModel->selectedImage() || m_viewModel->isCropping())
        return;
    const double start = m_pinchStartZoom ? *m_pinchStartZoom : m_viewModel->zoomLevel();
    m_pinchStartZoom = start;
    const double next = limitedZoom(magnification * start);
    if (next != m_viewModel->zoomLevel())
        zoomAtUnitAnchor(next, unitAnchor);
}

void EditorCanvasView::pinchEnded(QPointF unitAnchor)
{
    if (m_viewModel->selectedImage() && !m_viewModel->isCropping()) {
        const double zoom = m_viewModel->zoomLevel();
        const double next = std::fabs(zoom - 1.0) < actualSizeSnap ? 1.0 : zoom;
        if (next != zoom)
            zoomAtUnitAnchor(next, unitAnchor);
    }
    m_pinchStartZoom.reset();
    m_lastDragOffset = m_dragOffset;
}

void EditorCanvasView::confirmCrop()
{
    const QRectF crop = m_viewModel->cropRect();
    if (m_viewModel->isCropping() && crop.width() > 10.0 && crop.height() > 10.0)
        m_viewModel->applyCrop(scaledSize());
}

void EditorCanvasView::exitCommand()
{
    if (m_viewModel->isEditingText()) {
        m_viewModel->cancelTextEditing();
        m_viewModel->selectTool(ToolType::none);
        return;
    }
    m_viewModel->deselectAll();
    if (!m_viewModel->annotationManager()->selectedAnnotationId() && m_viewModel->currentTool() != ToolType::none)
        m_viewModel->selectTool(ToolType::none);
}

// ---- pointer --------------------------------------------------------------------------------

std::vector<QPointF> EditorCanvasView::handleViewportPoints(const HandleFrameTransform& transform) const
{
    std::vector<QPointF> points;
    for (const auto& handle : m_viewModel->selectionHandles(transform.scaledSize))
        points.push_back(transform.viewportPoint(handle.point));
    return points;
}

void EditorCanvasView::beginPointer(const QPointF& position)
{
    m_session = PointerSession();
    if (!m_viewModel->selectedImage())
        return;
    const HandleFrameTransform transform = currentTransform();
    m_session.pressPosition = position;
    m_session.transform = transform;

    if (m_viewModel->isCropping()) {
        m_session.gesture = Gesture::crop;
        return;
    }
    const auto handles = m_viewModel->selectionHandles(transform.scaledSize);
    std::vector<QPointF> viewportPoints;
    for (const auto& handle : handles)
        viewportPoints.push_back(transform.viewportPoint(handle.point));
    if (const std::optional<int> index = SelectionHandles::handleAt(viewportPoints, position)) {
        m_session.gesture = Gesture::handle;
        m_session.handleKind = handles[*index].kind;
        m_session.handlePoint = handles[*index].point;
        return;
    }
    m_session.gesture = Gesture::drawing;
    // A drawing tool begins its shape where the button goes down. With no tool a drag
    // moves the annotation under the pointer, and the model hears of it only once the
    // pointer moves: a press that stays put is a click, never a move, so a second click
    // can still make a double click.
    if (m_viewModel->currentTool() != ToolType::none) {
        const QPointF start = transform.imagePoint(position);
        m_viewModel->handleDragChanged(start, start, transform.scaledSize, m_viewModel->originalImageSize());
        m_session.begun = true;
    }
}

bool EditorCanvasView::editTextAt(const QPointF& position)
{
    if (!m_viewModel->selectedImage() || m_viewModel->isEditingText())
        return false;
    const HandleFrameTransform transform = currentTransform();
    const AnnotationManager& store = *m_viewModel->annotationManager();
    const std::optional<QUuid> hit =
        store.hitTestAnnotation(transform.imagePoint(position), transform.scaledSize, m_viewModel->originalImageSize());
    if (!hit)
        return false;
    const auto& texts = store.texts();
    if (std::none_of(texts.begin(), texts.end(), [&](const TextAnnotation& text) { return text.id == *hit; }))
        return false;
    m_viewModel->editTextAnnotation(*hit, transform.scaledSize);
    return true;
}

void EditorCanvasView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    beginPointer(event->position());
    event->accept();
}

void EditorCanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    if (m_viewModel->selectedImage() && m_viewModel->isCropping()) {
        m_session = PointerSession();
        if (m_cropGestures)
            m_cropGestures->cropDoubleClicked(scaledSize());
        event->accept();
        return;
    }
    // A double click on a text opens it for typing whatever the tool; the press and the
    // release that follow are part of it. Elsewhere the model tells a double click from
    // two clicks itself, and to it this is one more press.
    if (editTextAt(event->position())) {
        m_session = PointerSession();
        event->accept();
        return;
    }
    beginPointer(event->position());
    event->accept();
}

void EditorCanvasView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF position = event->position();
    if (!(event->buttons() & Qt::LeftButton) || m_session.gesture == Gesture::none) {
        updateHover(position);
        return;
    }
    const HandleFrameTransform& t = m_session.transform;
    const QPointF translation = position - m_session.pressPosition;
    switch (m_session.gesture) {
    case Gesture::crop:
        if (!m_session.cropStarted && distance(position, m_session.pressPosition) < cropMinimumDistance)
            break;
        m_session.cropStarted = true;
        if (m_cropGestures)
            m_cropGestures->cropDragChanged(t.imagePoint(m_session.pressPosition), t.imagePoint(position),
                                            t.scaledSize);
        break;
    case Gesture::handle: {
        // Nothing is begun (and no undo step taken) until the handle really moves.
        if (!m_viewModel->activeHandleKind() && translation.isNull())
            break;
        const QPointF delta = t.imageTranslation(translation);
        if (!m_viewModel->activeHandleKind())
            m_viewModel->beginHandleDrag(*m_session.handleKind, m_session.handlePoint, t.scaledSize);
        if (const std::optional<QPointF> start = m_viewModel->handleDragStartLocal())
            m_viewModel->updateHandleDrag(*start + delta, t.scaledSize);
        break;
    }
    case Gesture::drawing: {
        const QPointF start = t.imagePoint(m_session.pressPosition);
        if (!m_session.begun) {
            if (translation.isNull())
                break;
            // The move begins where the button went down, then follows the pointer.
            m_session.begun = true;
            m_viewModel->handleDragChanged(start, start, t.scaledSize, m_viewModel->originalImageSize());
        }
        m_viewModel->handleDragChanged(start, t.imagePoint(position), t.scaledSize, m_viewModel->originalImageSize());
        if (!m_session.panStarted && distance(position, m_session.pressPosition) < panMinimumDistance)
            break;
        m_session.panStarted = true;
        const bool fits = t.rotatedBounds.width() <= t.viewportSize.width() &&
                          t.rotatedBounds.height() <= t.viewportSize.height();
        if (m_pinchStartZoom || m_viewModel->isCropping() || m_viewModel->currentTool() != ToolType::none ||
            m_viewModel->annotationManager()->selectedAnnotationId() || fits)
            break;
        m_dragOffset = CanvasGeometry::clampPan(
            QSizeF(m_lastDragOffset.width() + translation.x(), m_lastDragOffset.height() + translation.y()),
            panLimitAt(m_viewModel->zoomLevel()));
        m_textEditor->sync(currentTransform());
        update();
        break;
    }
    case Gesture::none:
        break;
    }
    event->accept();
}

void EditorCanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const PointerSession session = m_session;
    m_session = PointerSession();
    const HandleFrameTransform& t = session.transform;
    const QPointF position = event->position();
    switch (session.gesture) {
    case Gesture::crop:
        if (session.cropStarted && m_cropGestures)
            m_cropGestures->cropDragEnded(t.imagePoint(session.pressPosition), t.imagePoint(position), t.scaledSize);
        break;
    case Gesture::handle:
        m_viewModel->endHandleDrag();
        break;
    case Gesture::drawing:
        m_viewModel->handleDragEnded(t.imagePoint(session.pressPosition), t.imagePoint(position), t.scaledSize,
                                     m_viewModel->originalImageSize());
        if (session.panStarted)
            m_lastDragOffset = m_dragOffset;
        break;
    case Gesture::none:
        break;
    }
    updateHover(position);
    event->accept();
}

void EditorCanvasView::updateHover(const QPointF& position)
{
    if (!m_viewModel->selectedImage() || m_viewModel->isCropping())
        return;
    const std::optional<int> index = SelectionHandles::handleAt(handleViewportPoints(currentTransform()), position);
    if (index != m_viewModel->hoveredHandleIndex())
        m_viewModel->setHoveredHandleIndex(index);
}

void EditorCanvasView::leaveEvent(QEvent* event)
{
    if (m_viewModel->hoveredHandleIndex() && m_session.gesture == Gesture::none)
        m_viewModel->setHoveredHandleIndex(std::nullopt);
    QWidget::leaveEvent(event);
}

void EditorCanvasView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        exitCommand();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool EditorCanvasView::event(QEvent* event)
{
    // Pinch and smart zoom exist only where the platform delivers native gestures.
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        const QPointF unit(width() > 0 ? gesture->position().x() / width() : 0.5,
                           height() > 0 ? gesture->position().y() / height() : 0.5);
        switch (gesture->gestureType()) {
        case Qt::BeginNativeGesture:
            m_pinchMagnification = 1.0;
            m_pinchAnchor = unit;
            return true;
        case Qt::ZoomNativeGesture:
            m_pinchMagnification *= 1.0 + gesture->value();
            pinchChanged(m_pinchMagnification, m_pinchAnchor);
            return true;
        case Qt::EndNativeGesture:
            pinchEnded(m_pinchAnchor);
            return true;
        case Qt::SmartZoomNativeGesture:
            toggleSmartZoom();
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}

// ---- layout and painting --------------------------------------------------------------------

void EditorCanvasView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A window that shows its first image before it is laid out fits it once it has a size.
    tryFitNewImage(false);
    m_textEditor->sync(currentTransform());
}

void EditorCanvasView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    tryFitNewImage(false);
}
