#pragma once

#include "Capture/CaptureOverlayView.h"

#include <QPointF>

#include <functional>
#include <optional>

// One display's overlay during a scrolling capture. While selecting it shows the
// display as frozen (so nothing moves under the drag; without a compositor a see-through
// window would be opaque anyway), follows the drag with a blue outline labelled with
// its size in pixels, and reports the rectangle. While recording, frames are read from
// the live screen beneath, so the overlay shrinks to a band just outside the selection
// (the window takes the band's shape and lets every click through): nothing of it
// shows inside the captured rectangle.
class ScrollCaptureOverlayView : public CaptureOverlayView {
    Q_OBJECT
public:
    explicit ScrollCaptureOverlayView(FrozenScreenRecord record, QWidget* parent = nullptr);

    // A drag of at least 20 × 20 points, in global points.
    std::function<void(const QRectF& selection)> onSelectionDone;
    // A smaller drag or a plain click.
    std::function<void()> onSelectionCancel;
    std::function<void()> onDone; // Return while recording

    bool isRecording() const { return m_isRecording; }
    QRectF selectionGlobal() const { return m_selectionGlobal; }
    std::optional<QPointF> dragStart;
    std::optional<QPointF> dragCurrent;

    // From now on: the outline around `selection` (global points) where it falls on this
    // display, nothing else, and no mouse input. Hidden when the outline misses it.
    void showRecording(const QRectF& selection);

    // The rectangle of the drag in view points.
    QRectF dragRect() const;
    // The size label's text: the drag's size in pixels of this display.
    QString sizeText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_isRecording = false;
    QRectF m_selectionGlobal;
};
