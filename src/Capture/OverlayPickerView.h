#pragma once

#include "Capture/FrozenScreenRecord.h"
#include "Platform/WindowList.h"

#include <QFont>
#include <QWidget>

#include <functional>
#include <optional>

// One display's overlay while a window is picked: paints the display as it was frozen
// (without a compositor X11 would show an overlay opaque), highlights the candidate
// under the pointer with its size in pixels, and reports a click, Esc or right click.
class OverlayPickerView : public QWidget {
    Q_OBJECT
public:
    OverlayPickerView(FrozenScreenRecord record, QList<WindowRecord> windows, QWidget* parent = nullptr);

    const QList<WindowRecord>& windows() const { return m_windows; }
    const QRectF& screenFrame() const { return m_record.frame; }
    const std::optional<WindowRecord>& hovered() const { return m_hovered; }

    std::function<void(const WindowRecord&)> onPick;
    std::function<void()> onCancel;
    // A new window came under the pointer.
    std::function<void(const WindowRecord&)> onHover;
    // Sees every key first (the session's key handling); true when it took the key.
    std::function<bool(QKeyEvent*)> keyMonitor;

    // The candidate under a point of this view, front-most first.
    std::optional<WindowRecord> hitWindow(const QPointF& viewPoint) const;
    // Hover handling for a point of this view; true when the highlight changed.
    bool updateHover(const QPointF& viewPoint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    FrozenScreenRecord m_record;
    QList<WindowRecord> m_windows;
    std::optional<WindowRecord> m_hovered;
    QFont m_labelFont;
};
