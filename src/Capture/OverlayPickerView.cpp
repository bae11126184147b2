#include "Capture/OverlayPickerView.h"

#include "Capture/CaptureLog.h"
#include "Capture/WindowPickerGeometry.h"
#include "Platform/X11WindowList.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

OverlayPickerView::OverlayPickerView(FrozenScreenRecord record, QList<WindowRecord> windows, QWidget* parent)
    : CaptureOverlayView(std::move(record), WithoutPicture::seeThrough, parent)
    , m_windows(std::move(windows))
{
    m_labelFont.setStyleHint(QFont::Monospace);
}

std::optional<WindowRecord> OverlayPickerView::hitWindow(const QPointF& viewPoint) const
{
    const auto index = WindowPickerGeometry::hitWindow(m_windows, viewPoint + m_record.frame.topLeft());
    if (!index)
        return std::nullopt;
    return m_windows[*index];
}

bool OverlayPickerView::updateHover(const QPointF& viewPoint)
{
    const std::optional<WindowRecord> hit = hitWindow(viewPoint);
    if (!hit) {
        if (!m_hovered)
            return false;
        m_hovered.reset();
        update();
        return true;
    }
    if (m_hovered && m_hovered->windowId == hit->windowId)
        return false;
    m_hovered = hit;
    update();
    captureDiagnostic(WindowPickerGeometry::hoverLogLine(*hit, backingScaleForWindow(hit->frame)));
    if (onHover)
        onHover(*hit);
    return true;
}

void OverlayPickerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrozenDisplay(painter);
    if (!m_hovered)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QRectF r = m_hovered->frame.translated(-m_record.frame.topLeft());
    const QColor blue(0, 122, 255);
    QPainterPath highlight;
    highlight.addRoundedRect(r.adjusted(1, 1, -1, -1), 6, 6);
    QColor fill = blue;
    fill.setAlphaF(0.18f);
    painter.fillPath(highlight, fill);
    painter.strokePath(highlight, QPen(blue, 2));

    const QString label = WindowPickerGeometry::sizeLabel(m_hovered->frame.size(), backingScaleForWindow(m_hovered->frame));
    drawLabel(painter, label, r.topLeft() + QPointF(8, 8));
}

void OverlayPickerView::mouseMoveEvent(QMouseEvent* event)
{
    updateHover(event->position());
}

void OverlayPickerView::enterEvent(QEnterEvent* event)
{
    updateHover(event->position());
}

void OverlayPickerView::mousePressEvent(QMouseEvent* event)
{
    if (takeRightClickAsCancel(event) || event->button() != Qt::LeftButton)
        return;
    if (const std::optional<WindowRecord> hit = hitWindow(event->position()); hit && onPick)
        onPick(*hit);
}
