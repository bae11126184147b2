#include "Capture/ScrollCaptureOverlayView.h"

#include "Capture/CaptureLog.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/SelectionGeometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

const QColor kSystemBlue(0, 122, 255);

} // namespace

ScrollCaptureOverlayView::ScrollCaptureOverlayView(FrozenScreenRecord record, QWidget* parent)
    : CaptureOverlayView(std::move(record), WithoutPicture::seeThrough, parent)
{
    setCursor(Qt::CrossCursor);
    m_labelFont.setStyleHint(QFont::Monospace);
    captureDiagnostic(QStringLiteral("📜 [cursor] 选区期 resetCursorRects：注册 crosshair"));
}

QRectF ScrollCaptureOverlayView::dragRect() const
{
    if (!dragStart || !dragCurrent)
        return {};
    return SelectionGeometry::selectionFromPoints(*dragStart, *dragCurrent);
}

QString ScrollCaptureOverlayView::sizeText() const
{
    return SelectionGeometry::sizeText(dragRect(), m_record.scale);
}

void ScrollCaptureOverlayView::showRecording(const QRectF& selection)
{
    m_isRecording = true;
    m_selectionGlobal = selection;
    dragStart.reset();
    dragCurrent.reset();
    unsetCursor();
    const QRegion outline = ScrollCaptureGeometry::outlineRegion(selection, m_record.frame);
    if (outline.isEmpty()) {
        hide();
        return;
    }
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMask(outline);
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowTransparentForInput, true);
    update();
}

void ScrollCaptureOverlayView::mousePressEvent(QMouseEvent* event)
{
    if (m_isRecording || event->button() != Qt::LeftButton)
        return;
    setCursor(Qt::CrossCursor);
    dragStart = clampedPoint(event->position());
    dragCurrent = dragStart;
}

void ScrollCaptureOverlayView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_isRecording)
        return;
    setCursor(Qt::CrossCursor);
    if (!dragStart)
        return;
    dragCurrent = clampedPoint(event->position());
    update();
}

void ScrollCaptureOverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_isRecording || !dragStart || event->button() != Qt::LeftButton)
        return;
    dragCurrent = clampedPoint(event->position());
    const QRectF selection = dragRect();
    dragStart.reset();
    dragCurrent.reset();
    // The outline stays up until the controller's next step redraws the overlay.
    if (!ScrollCaptureGeometry::isLargeEnough(selection)) {
        if (onSelectionCancel)
            onSelectionCancel();
        return;
    }
    if (onSelectionDone)
        onSelectionDone(selection.translated(m_record.frame.topLeft()));
}

void ScrollCaptureOverlayView::keyPressEvent(QKeyEvent* event)
{
    if (takeSessionKey(event))
        return;
    if (m_isRecording && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (onDone)
            onDone();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScrollCaptureOverlayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_isRecording) {
        // Only the band is on screen (the window's shape): fill it.
        painter.fillRect(rect(), kSystemBlue);
        return;
    }
    paintFrozenDisplay(painter);
    const QRectF selection = dragRect();
    if (!dragStart || selection.isNull())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kSystemBlue, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(selection.adjusted(1, 1, -1, -1), 4, 4);
    // Just above the selection's top edge, even where that is off the display.
    const QString text = sizeText();
    drawLabel(painter, text, QPointF(selection.left(), selection.top() - 4 - labelSize(text).height()));
}
