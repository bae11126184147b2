#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>

class QVariantAnimation;

// Delayed work on the main thread, as the tooltips use it: one call scheduled after a
// delay, cancellable before it runs. Tests substitute a fake that they advance by hand.
class TooltipTimer {
public:
    using Token = quint64;
    virtual ~TooltipTimer() = default;
    // Runs `work` once on the main thread after `delay`, unless cancelled first.
    virtual Token schedule(std::chrono::milliseconds delay, std::function<void()> work) = 0;
    // Cancelling a token that already ran or was cancelled does nothing.
    virtual void cancel(Token token) = 0;

    // The real one, over QTimer on the main thread.
    static TooltipTimer& mainQueue();
};

// The bubble of a tooltip: a small rounded label that takes no input and never takes
// focus, in a window of its own, or, given a host, drawn inside the host window above
// its other widgets.
class TooltipBubble : public QWidget {
    Q_OBJECT
public:
    static constexpr int horizontalPadding = 6;
    static constexpr int verticalPadding = 3;
    static constexpr qreal cornerRadius = 5.0;
    static constexpr int fontPixelSize = 11;

    explicit TooltipBubble(QWidget* host = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    // Places the bubble centred above `control`, `lift` points above its top edge (kept
    // inside the host window, for a bubble drawn there).
    void placeAbove(QWidget* control, int lift);
    // Shows it with a fade-in of `fade` (at once without a compositor), or hides it at once.
    void reveal(std::chrono::milliseconds fade);
    void conceal();
    qreal opacity() const { return m_opacity; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    qreal m_opacity = 1.0;
    bool m_translucent = false;
    QVariantAnimation* m_fade = nullptr;
};

// A hover tooltip on one control: when the pointer has rested on the control for 0.4 s
// and is still there, and the tooltip is not suppressed, a bubble comes up 14 points
// above the control with the localised text of `key`, followed by " (shortcut)" when
// the control has a shortcut. It goes at once when the pointer leaves.
//
// The texts are built when the bubble comes up, so they follow the language and the
// user's key bindings without any redraw request. Our own bubble, not QToolTip: the
// timing, suppression and placement are the editor's, not the style's.
class HoverTooltip : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds revealDelay { 400 };
    static constexpr std::chrono::milliseconds fadeInDuration { 120 };
    static constexpr int liftAboveControl = 14;

    using ShortcutText = std::function<std::optional<QString>()>;

    // Watches `control` (and lives as long as it). `timer` null: the main queue.
    HoverTooltip(QWidget* control, QString key, ShortcutText shortcut = {}, TooltipTimer* timer = nullptr);
    ~HoverTooltip() override;

    // The text the bubble shows now.
    QString bubbleText() const;
    static QString composeText(const QString& key, const std::optional<QString>& shortcut);

    // Whether bubbles are drawn inside their control's window rather than in windows of
    // their own: so on Wayland, where the compositor may take a tooltip's surface away
    // at any moment (when the focus moves to a new window), and the toolkit's next paint
    // of a surface that lost its role is a fatal protocol error.
    static bool bubblesInsideWindow();
    // Tests pin the answer; nothing asks the window system again.
    static void setBubblesInsideWindowForTesting(std::optional<bool> inside);

    void setKey(const QString& key) { m_key = key; }
    void setShortcut(ShortcutText shortcut) { m_shortcut = std::move(shortcut); }

    // While true no bubble shows; turning it on hides a shown bubble at once. Turning
    // it off shows nothing until the pointer leaves and enters again.
    void setSuppressed(bool suppressed);
    bool isSuppressed() const { return m_suppressed; }

    // The pointer entered (true) or left (false) the control.
    void hoverChanged(bool inside);

    bool isHovering() const { return m_isHovering; }
    bool isBubbleShown() const { return m_showBubble; }
    bool hasPendingReveal() const { return m_showTask.has_value(); }
    TooltipBubble* bubble() const { return m_bubble; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cancelPendingReveal();
    void reveal();
    void hideBubble();
    TooltipTimer& timer() const { return m_timer ? *m_timer : TooltipTimer::mainQueue(); }

    QPointer<QWidget> m_control;
    QString m_key;
    ShortcutText m_shortcut;
    TooltipTimer* m_timer = nullptr;
    bool m_suppressed = false;
    bool m_isHovering = false;
    bool m_showBubble = false;
    std::optional<TooltipTimer::Token> m_showTask;
    // Owned here; a bubble drawn inside a window is also that window's child, and may go
    // with it first.
    QPointer<TooltipBubble> m_bubble;
};
