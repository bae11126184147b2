#pragma once

#include "Capture/CaptureOverlayView.h"

#include <QPointF>

#include <functional>
#include <optional>

// One display's overlay during an area selection: paints the frozen picture so the
// screen seems to stand still, lets the user drag a rectangle, and while the pointer
// only hovers shows a loupe of the pixels under it with their colour.
class SelectionOverlayView : public CaptureOverlayView {
    Q_OBJECT
public:
    explicit SelectionOverlayView(FrozenScreenRecord record, QWidget* parent = nullptr);

    // A finished drag of at least 10 × 10 points, in global points.
    std::function<void(const QRectF& selection, const FrozenScreenRecord& record)> onCapture;
    std::function<void(SelectionOverlayView*)> onLoupeActive;

    std::optional<QPointF> hoverPoint;
    std::optional<QPointF> dragStart;
    std::optional<QPointF> dragCurrent;
    bool showRGBFormat = false;
    bool copiedFeedback = false;

    // The unrounded image pixel under a view point.
    std::optional<QPointF> imagePixelPoint(const QPointF& viewPoint) const;
    // The pixel under the pointer while hovering.
    std::optional<QPoint> hoverPixel() const;
    // The colour readout under the loupe ("-" when there is no colour to show).
    QString readoutText() const;
    // Copies the hovered pixel's colour as "#RRGGBB" text; false when there is none.
    bool copyHoverColor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void finishDrag();
    void drawLoupe(QPainter& painter, const QPointF& point);
};
