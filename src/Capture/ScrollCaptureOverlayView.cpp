#include "Capture/ScrollCaptureOverlayView.h"

#include "Capture/CaptureLog.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/SelectionGeometry.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace {

const QColor kSystemBlue(0, 122, 255);

} // namespace

ScrollCaptureOverlayView::ScrollCaptureOverlayView(FrozenScreenRecord record, QWidget* parent)
    : QWidget(parent)
    , m_record(std::move(record))
{
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    if (m_record.image.isNull())
        setAttribute(Qt::WA_TranslucentBackground);
    else
        setAttribute(Qt::WA_OpaquePaintEvent);
    m_labelFont = font();
    m_labelFont.setPixelSize(11);
    m_labelFont.setWeight(QFont::Medium);
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

QPointF ScrollCaptureOverlayView::clampedPoint(const QPointF& position) const
{
    return QPointF(std::clamp(position.x(), 0.0, double(width())), std::clamp(position.y(), 0.0, double(height())));
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
    if (keyMonitor && keyMonitor(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        if (onCancel)
            onCancel();
        return;
    }
    if (m_isRecording && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (onDone)
            onDone();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScrollCaptureOverlayView::drawSizeLabel(QPainter& painter, const QString& text, const QPointF& bottomLeft)
{
    const QFontMetricsF metrics(m_labelFont);
    const QSizeF textSize(metrics.horizontalAdvance(text), metrics.height());
    // Just above the selection's top edge, even where that is off the display.
    const QRectF badge(bottomLeft.x(), bottomLeft.y() - 4 - (textSize.height() + 3), textSize.width() + 10,
                       textSize.height() + 3);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.75));
    painter.drawRoundedRect(badge, 4, 4);
    painter.setFont(m_labelFont);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(badge.x() + 5, badge.y() + (badge.height() - textSize.height()) * 0.5 + metrics.ascent()),
                     text);
    painter.restore();
}

void ScrollCaptureOverlayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_isRecording) {
        // Only the band is on screen (the window's shape): fill it.
        painter.fillRect(rect(), kSystemBlue);
        return;
    }
    if (m_record.image.isNull())
        painter.fillRect(rect(), Qt::transparent);
    else
        painter.drawImage(QRectF(rect()), m_record.image);
    const QRectF selection = dragRect();
    if (!dragStart || selection.isNull())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kSystemBlue, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(selection.adjusted(1, 1, -1, -1), 4, 4);
    drawSizeLabel(painter, sizeText(), selection.topLeft());
}
