#pragma once

#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include <functional>

// Whether a top-level window of ours may be translucent: only where a compositing
// manager runs (on X11, the owner of _NET_WM_CM_S<screen>). Without one the server
// draws such a window opaque, so chrome is then painted opaque and shaped instead.
namespace WindowChrome {
bool translucencyAvailable();
// Tests pin the answer; an empty function asks the desktop again.
void setTranslucencyProbeForTesting(std::function<bool()> probe);
} // namespace WindowChrome

// A popover: a frameless popup that stands above its anchor control with an arrow
// pointing down at the anchor's top edge, holding one content widget. Whether it is
// shown belongs to its owner (a presentation flag), which calls setPresented();
// the popover tells the owner when the user dismissed it (a click outside, Escape)
// through `onDismissed`, and the owner clears its flag.
//
// A press outside that lands on the anchor closes the popover and is swallowed: the
// anchor never sees it, so the click that closes a popover cannot open it again.
class PopoverHost : public QWidget {
    Q_OBJECT
public:
    static constexpr int arrowHeight = 8;
    static constexpr int arrowWidth = 18;
    static constexpr qreal cornerRadius = 8.0;
    // Room around the panel for the soft edge of a translucent popover.
    static constexpr int shadowMargin = 6;

    explicit PopoverHost(QWidget* anchor);
    ~PopoverHost() override;

    QWidget* anchor() const { return m_anchor; }

    // Takes ownership of `content` (may be null: nothing to show).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // The inner margin around the content, on the panel (8 by default).
    void setContentMargin(int margin);

    // Shows (placed over the anchor) or hides the popover. A popover without content
    // is never shown.
    void setPresented(bool presented);
    bool isPresented() const { return isVisible(); }

    // Called once per dismissal by the user; not called by setPresented(false).
    std::function<void()> onDismissed;

    // The global rectangle the panel (without arrow) takes when placed over the anchor.
    QRect panelRectFor(const QSize& panelSize) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    QRectF panelRect() const;
    QPainterPath shape() const;
    void applyShapeMask();

    QPointer<QWidget> m_anchor;
    QWidget* m_content = nullptr;
    int m_contentMargin = 8;
    bool m_translucent = false;
    bool m_hidingOnRequest = false;
    int m_arrowX = 0; // arrow tip, in this window's coordinates
};
