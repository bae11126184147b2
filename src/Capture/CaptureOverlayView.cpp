#include "Capture/CaptureOverlayView.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CaptureOverlayView::CaptureOverlayView(FrozenScreenRecord record, WithoutPicture withoutPicture, QWidget* parent)
    : QWidget(parent)
    , m_record(std::move(record))
    , m_withoutPicture(withoutPicture)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    if (m_record.image.isNull() && m_withoutPicture == WithoutPicture::seeThrough)
        setAttribute(Qt::WA_TranslucentBackground);
    else
        setAttribute(Qt::WA_OpaquePaintEvent);
    m_labelFont = font();
    m_labelFont.setPixelSize(11);
    m_labelFont.setWeight(QFont::Medium);
}

void CaptureOverlayView::paintFrozenDisplay(QPainter& painter) const
{
    if (!m_record.image.isNull())
        painter.drawImage(QRectF(rect()), m_record.image);
    else if (m_withoutPicture == WithoutPicture::black)
        painter.fillRect(rect(), Qt::black);
}

bool CaptureOverlayView::takeSessionKey(QKeyEvent* event)
{
    if (keyMonitor && keyMonitor(event)) {
        event->accept();
        return true;
    }
    if (event->key() != Qt::Key_Escape)
        return false;
    cancel();
    return true;
}

bool CaptureOverlayView::takeRightClickAsCancel(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton)
        return false;
    cancel();
    return true;
}

void CaptureOverlayView::cancel()
{
    if (onCancel)
        onCancel();
}

void CaptureOverlayView::keyPressEvent(QKeyEvent* event)
{
    if (!takeSessionKey(event))
        QWidget::keyPressEvent(event);
}

QPointF CaptureOverlayView::clampedPoint(const QPointF& position) const
{
    return QPointF(std::clamp(position.x(), 0.0, double(width())), std::clamp(position.y(), 0.0, double(height())));
}

QSizeF CaptureOverlayView::labelSize(const QString& text) const
{
    const QFontMetricsF metrics(m_labelFont);
    return QSizeF(metrics.horizontalAdvance(text) + 10.0, metrics.height() + 3.0);
}

void CaptureOverlayView::drawLabel(QPainter& painter, const QString& text, const QPointF& topLeft) const
{
    const QSizeF size = labelSize(text);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.75));
    painter.drawRoundedRect(QRectF(topLeft, size), 4, 4);
    painter.setFont(m_labelFont);
    painter.setPen(Qt::white);
    const QFontMetricsF metrics(m_labelFont);
    const double textTop = topLeft.y() + (size.height() - metrics.height()) / 2.0;
    painter.drawText(QPointF(topLeft.x() + 5.0, textTop + metrics.ascent()), text);
    painter.restore();
}
