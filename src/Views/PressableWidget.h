#pragma once

#include <QWidget>

// A control that takes a click over its whole frame: it tracks hovering and the
// pressed state of the left button (while the pointer stays inside) for its painting,
// and emits clicked() when a press is released inside. A disabled control takes no
// clicks and drops its pressed state.
class PressableWidget : public QWidget {
    Q_OBJECT
public:
    explicit PressableWidget(QWidget* parent = nullptr);

    bool isHovered() const { return m_hovered; }
    bool isPressed() const { return m_pressed; }

    // Clicks the control as a user would (nothing when disabled).
    void click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool m_hovered = false;
    bool m_pressed = false;
};
