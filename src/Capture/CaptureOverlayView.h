#pragma once

#include "Capture/FrozenScreenRecord.h"

#include <QFont>
#include <QPointF>
#include <QWidget>

#include <functional>

class QMouseEvent;

// What the overlays of every capture session have in common: each covers one display
// and shows it as it was frozen, so nothing moves under the pointer; the session sees
// every key first, and Esc cancels.
class CaptureOverlayView : public QWidget {
    Q_OBJECT
public:
    const FrozenScreenRecord& record() const { return m_record; }
    const QRectF& screenFrame() const { return m_record.frame; }

    std::function<void()> onCancel;
    // Sees every key first (the session's key handling); true when it took the key.
    std::function<bool(QKeyEvent*)> keyMonitor;

protected:
    // What an overlay shows of a display that could not be frozen.
    enum class WithoutPicture : quint8 {
        black,      // an opaque black cover
        seeThrough, // nothing of its own (opaque anyway without a compositor)
    };

    CaptureOverlayView(FrozenScreenRecord record, WithoutPicture withoutPicture, QWidget* parent);

    // The frozen display, one image pixel a device pixel.
    void paintFrozenDisplay(QPainter& painter) const;
    // The session's part of a key press: the key monitor first, then Esc. True when the
    // key was taken.
    bool takeSessionKey(QKeyEvent* event);
    // A right click cancels; true when it was one.
    bool takeRightClickAsCancel(QMouseEvent* event);
    // A point of this view held inside it.
    QPointF clampedPoint(const QPointF& position) const;

    // A size or colour label: white text on a dark rounded badge.
    QSizeF labelSize(const QString& text) const;
    void drawLabel(QPainter& painter, const QString& text, const QPointF& topLeft) const;

    void keyPressEvent(QKeyEvent* event) override;

    FrozenScreenRecord m_record;
    QFont m_labelFont;

private:
    void cancel();

    WithoutPicture m_withoutPicture;
};
