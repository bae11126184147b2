#include "Capture/SelectionOverlayView.h"

#include "Capture/CaptureLog.h"
#include "Capture/SelectionGeometry.h"
#include "Core/Localization.h"
#include "Platform/Pasteboard.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>

using namespace SelectionGeometry;

SelectionOverlayView::SelectionOverlayView(FrozenScreenRecord record, QWidget* parent)
    : CaptureOverlayView(std::move(record), WithoutPicture::black, parent)
{
    setCursor(Qt::CrossCursor);
}

// The overlay covers its display exactly, so a view point is a display-local point and
// the frozen picture is painted one image pixel per device pixel.
std::optional<QPointF> SelectionOverlayView::imagePixelPoint(const QPointF& viewPoint) const
{
    if (m_record.image.isNull())
        return std::nullopt;
    return viewPoint * m_record.scale;
}

std::optional<QPoint> SelectionOverlayView::hoverPixel() const
{
    if (!hoverPoint)
        return std::nullopt;
    const auto point = imagePixelPoint(*hoverPoint);
    if (!point)
        return std::nullopt;
    return hoveredPixel(*point, m_record.image.size());
}

QString SelectionOverlayView::readoutText() const
{
    if (copiedFeedback)
        return localized(QStringLiteral("capture.colorPicker.copied"));
    const auto pixel = hoverPixel();
    if (!pixel || !m_record.image.valid(*pixel))
        return QStringLiteral("-");
    const QColor colour = m_record.image.pixelColor(*pixel);
    return showRGBFormat ? rgbColorText(colour) : hexColorText(colour);
}

bool SelectionOverlayView::copyHoverColor()
{
    const auto pixel = hoverPixel();
    if (!hoverPoint || !pixel || !m_record.image.valid(*pixel))
        return false;
    const QString text = hexColorText(m_record.image.pixelColor(*pixel));
    Pasteboard::general().clearContents();
    Pasteboard::general().setText(text);
    captureDiagnostic(QStringLiteral("📸 SelectionOverlay 取色复制: %1").arg(text));
    copiedFeedback = true;
    update();
    QPointer<SelectionOverlayView> self(this);
    QTimer::singleShot(800, this, [self] {
        if (self && self->copiedFeedback) {
            self->copiedFeedback = false;
            self->update();
        }
    });
    return true;
}

void SelectionOverlayView::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(Qt::CrossCursor);
    if (dragStart) {
        dragCurrent = clampedPoint(event->position());
    } else {
        hoverPoint = clampedPoint(event->position());
        if (onLoupeActive)
            onLoupeActive(this);
    }
    update();
}

void SelectionOverlayView::mousePressEvent(QMouseEvent* event)
{
    if (takeRightClickAsCancel(event) || event->button() != Qt::LeftButton)
        return;
    setCursor(Qt::CrossCursor);
    hoverPoint.reset();
    dragStart = clampedPoint(event->position());
    dragCurrent = dragStart;
    update();
}

void SelectionOverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (dragStart)
        dragCurrent = clampedPoint(event->position());
    finishDrag();
}

void SelectionOverlayView::showEvent(QShowEvent* event)
{
    CaptureOverlayView::showEvent(event);
    // The loupe is there from the start where the pointer already is, not only once it moves.
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    if (dragStart || !rect().contains(pointer))
        return;
    hoverPoint = clampedPoint(QPointF(pointer));
    if (onLoupeActive)
        onLoupeActive(this);
    update();
}

void SelectionOverlayView::leaveEvent(QEvent*)
{
    hoverPoint.reset();
    update();
}

void SelectionOverlayView::finishDrag()
{
    if (!dragStart || !dragCurrent)
        return;
    const QRectF selection = selectionFromPoints(*dragStart, *dragCurrent);
    dragStart.reset();
    dragCurrent.reset();
    update();
    if (!isLargeEnough(selection))
        return;
    if (m_record.image.isNull() || !onCapture)
        return;
    onCapture(selection.translated(m_record.frame.topLeft()), m_record);
}

void SelectionOverlayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrozenDisplay(painter);
    if (m_record.image.isNull())
        return;
    const QRectF bounds = rect();

    if (dragStart && dragCurrent) {
        const QRectF selection = selectionFromPoints(*dragStart, *dragCurrent);
        if (!(selection.width() < 1.0 && selection.height() < 1.0)) {
            QPainterPath dim;
            dim.setFillRule(Qt::OddEvenFill);
            dim.addRect(bounds);
            dim.addRect(selection);
            painter.fillPath(dim, QColor::fromRgbF(0, 0, 0, 0.25));
            painter.setPen(QPen(Qt::white, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(selection);
            const QString text = sizeText(selection, m_record.scale);
            drawLabel(painter, text, sizeLabelOrigin(selection, labelSize(text), bounds));
        }
    }
    if (!dragStart && hoverPoint)
        drawLoupe(painter, *hoverPoint);
}

void SelectionOverlayView::drawLoupe(QPainter& painter, const QPointF& point)
{
    const auto pixel = hoverPixel();
    if (!pixel)
        return;
    const QRectF bounds = rect();
    const QRectF loupe = loupeRect(point, bounds);
    painter.fillRect(loupe, Qt::black);

    const QRect window = loupeWindow(*pixel, m_record.image.size());
    const QImage crop = m_record.image.copy(window);
    if (crop.isNull())
        return;
    const QRectF inner = loupe.adjusted(1, 1, -1, -1);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(inner, crop);
    painter.restore();

    QPainterPath grid;
    for (int i = 0; i <= loupePixels; ++i) {
        grid.moveTo(inner.left() + loupeCellSize * i, inner.top());
        grid.lineTo(inner.left() + loupeCellSize * i, inner.bottom());
        grid.moveTo(inner.left(), inner.top() + loupeCellSize * i);
        grid.lineTo(inner.right(), inner.top() + loupeCellSize * i);
    }
    painter.strokePath(grid, QPen(QColor::fromRgbF(1, 1, 1, 0.22), 0.5));

    // The crosshair marks the hovered pixel; it sits off centre only where the
    // neighbourhood had to move inward at the image's edge.
    const double crossX = inner.left() + (pixel->x() - window.x() + 0.5) * loupeCellSize;
    const double crossY = inner.top() + (pixel->y() - window.y() + 0.5) * loupeCellSize;
    QPainterPath cross;
    cross.moveTo(crossX, inner.top());
    cross.lineTo(crossX, inner.bottom());
    cross.moveTo(inner.left(), crossY);
    cross.lineTo(inner.right(), crossY);
    painter.strokePath(cross, QPen(Qt::white, 1.0));

    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(loupe.adjusted(0.5, 0.5, -0.5, -0.5));

    const QString text = readoutText();
    drawLabel(painter, text, readoutLabelOrigin(loupe, labelSize(text), bounds));
}
