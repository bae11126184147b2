#pragma once

#include "Capture/FrozenScreenRecord.h"

#include <QPointF>
#include <QWidget>

#include <functional>
#include <optional>

// One display's overlay during an area selection: paints the frozen picture so the
// screen seems to stand still, lets the user drag a rectangle, and while the pointer
// only hovers shows a loupe of the pixels under it with their colour.
class SelectionOverlayView : public QWidget {
    Q_OBJECT
public:
    explicit SelectionOverlayView(FrozenScreenRecord record, QWidget* parent = nullptr);

    const FrozenScreenRecord& record() const { return m_record; }

    // A finished drag of at least 10 × 10 points, in global points.
    std::function<void(const QRectF& selection, const FrozenScreenRecord& record)> onCapture;
    std::function<void()> onCancel;
    std::function<void(SelectionOverlayView*)> onLoupeActive;
    // Sees every key first (the session's key handling); true when it took the key.
    std::function<bool(QKeyEvent*)> keyMonitor;

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
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointF clampedPoint(const QPointF& position) const;
    void finishDrag();
    void drawLoupe(QPainter& painter, const QPointF& point);
    QSizeF labelSize(const QString& text) const;
    void drawLabel(QPainter& painter, const QString& text, const QPointF& origin);

    FrozenScreenRecord m_record;
    QFont m_labelFont;
};
