#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class PinContentView;

// A pin: a frameless tool window that stays above other windows on every workspace,
// out of the taskbar, showing one bitmap (PinContentView). It lives until the user
// closes it; closing stores its frame under "pinLastFrame", where the next pin opens.
// The stored size is the pin's own (as it opened, or as the user zoomed it), never one
// the window manager forced on it (a tiling desktop's tile): the next pin takes it.
class PinWindow : public QWidget {
    Q_OBJECT
public:
    // `pointsPerPixel` and `translucent` as for PinContentView; `onRemove` is called
    // once, when the window closes.
    PinWindow(const QImage& bitmap, qint64 fingerprint, double pointsPerPixel, bool translucent,
              std::function<void(PinWindow*)> onRemove);

    qint64 fingerprint() const { return m_fingerprint; }
    // Gives the window a frame of the pin's own choosing (where it opens, a zoom).
    void placeAt(const QRect& frame);
    PinContentView* contentView() const { return m_content; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qint64 m_fingerprint;
    std::function<void(PinWindow*)> m_onRemove;
    PinContentView* m_content = nullptr;
    QSize m_ownSize;
};
