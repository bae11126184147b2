#pragma once

#include <QCheckBox>
#include <QWidget>

class QLabel;

// The rows of a settings section that give way to long translations: nothing in them
// asks for more width than its longest word or its control, so every tab fits the
// Settings window's fixed width in every language.

// A settings switch: a check box whose text wraps onto more lines where the window is
// too narrow for it, instead of running past the window's edge. Its indicator and its
// whole text take clicks.
class SettingsSwitch : public QCheckBox {
    Q_OBJECT
public:
    explicit SettingsSwitch(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    // Room from the leading edge to the text: the indicator and the gap after it.
    int textIndent() const;
    // What the style gives a check box of one line beyond its text.
    int verticalPadding() const;
    QRect textRect(int width) const;
};

// A text at the leading edge and a control at the trailing edge. The text wraps beside
// the control while it keeps a column wide enough to read; where it would not (a long
// translation beside a wide control), the control goes under the text, at the trailing
// edge.
class SettingsLabelledRow : public QWidget {
    Q_OBJECT
public:
    // Takes `control` as its child.
    SettingsLabelledRow(const QString& text, QWidget* control, QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    QWidget* control() const { return m_control; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Placement {
        QRect label;
        QRect control;
        int height = 0;
    };

    QSize controlSize() const;
    int oneLineWidth() const;
    Placement placement(int width) const;
    void place();

    QLabel* m_label;
    QWidget* m_control;
};
