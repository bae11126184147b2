#pragma once

#include "Capture/CaptureOverlayView.h"
#include "Platform/WindowList.h"

#include <functional>
#include <optional>

// One display's overlay while a window is picked: paints the display as it was frozen
// (without a compositor X11 would show an overlay opaque), highlights the candidate
// under the pointer with its size in pixels, and reports a click, Esc or right click.
class OverlayPickerView : public CaptureOverlayView {
    Q_OBJECT
public:
    OverlayPickerView(FrozenScreenRecord record, QList<WindowRecord> windows, QWidget* parent = nullptr);

    const QList<WindowRecord>& windows() const { return m_windows; }
    const std::optional<WindowRecord>& hovered() const { return m_hovered; }

    std::function<void(const WindowRecord&)> onPick;
    // A new window came under the pointer.
    std::function<void(const WindowRecord&)> onHover;

    // The candidate under a point of this view, front-most first.
    std::optional<WindowRecord> hitWindow(const QPointF& viewPoint) const;
    // Hover handling for a point of this view; true when the highlight changed.
    bool updateHover(const QPointF& viewPoint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The window under the pointer is taken as soon as the overlay appears beneath it:
    // Qt reports no move to where the pointer was last seen, so a pointer resting where
    // the previous pick was made would otherwise never hover.
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QList<WindowRecord> m_windows;
    std::optional<WindowRecord> m_hovered;
};
