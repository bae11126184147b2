#pragma once

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QColor>
#include <QComboBox>
#include <QFocusEvent>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

// The building blocks of the tool property panels: texts, dividers, segmented option
// pickers, sliders over exact decimal steps, value readouts and pop-up pickers. They
// draw with the colours of the palette they are shown with, so they follow the
// appearance; keyed texts follow the interface language by themselves.

// Readout texts: the value rounded to the nearest integer, halves away from zero.
//   panelPixelText(3.0) -> "3px"   panelPercentText(0.35) -> "35%"   panelPlainText(5) -> "5"
QString panelPixelText(double value);
QString panelPercentText(double value);
QString panelPlainText(double value);

// A single line of text in one of the panel's three text styles. With a key, the text
// is the key's localised text, looked up again whenever the language changes.
class PanelText : public QWidget {
    Q_OBJECT
public:
    enum class Role {
        title,   // 12 points, semibold, primary colour
        caption, // 11 points, regular, secondary colour
        value,   // 11 points, medium, primary colour
    };

    PanelText(Role role, QString key, QWidget* parent = nullptr);

    Role role() const { return m_role; }
    QString key() const { return m_key; }
    QString text() const { return m_text; }
    // Replaces the text (and forgets the key).
    void setText(const QString& text);
    // Digits of equal width (the spotlight's percent readout).
    void setMonospacedDigits(bool monospaced);
    bool hasMonospacedDigits() const { return m_monospacedDigits; }

    QColor textColor() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void retranslate();
    double digitCellWidth() const;
    double textWidth() const;

    Role m_role;
    QString m_key;
    QString m_text;
    bool m_monospacedDigits = false;
};

// The 1-point divider across the panel, in the shared divider colour.
class PanelDivider : public QWidget {
public:
    explicit PanelDivider(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(10, 1); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One option of a segmented picker: an image painted into a frame in a colour, and
// the localisation key of its accessible name (empty: none).
struct PanelOption {
    std::function<void(QPainter&, const QRectF&, const QColor&)> paintImage;
    QString accessibilityKey;
};

// A control that shows its focus only when the keyboard brought it, never after a click.
template <class Control>
class KeyboardFocusShown : public Control {
public:
    using Control::Control;

protected:
    bool showsKeyboardFocus() const { return m_keyboardFocus && this->hasFocus(); }
    void focusInEvent(QFocusEvent* event) override
    {
        m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        Control::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        m_keyboardFocus = false;
        Control::focusOutEvent(event);
    }

private:
    bool m_keyboardFocus = false;
};

// One segment: a checkable button without chrome of its own (the picker draws it).
class PanelSegmentButton : public KeyboardFocusShown<QAbstractButton> {
    Q_OBJECT
public:
    PanelSegmentButton(PanelOption option, QWidget* parent = nullptr);
    const PanelOption& option() const { return m_option; }
    QSize sizeHint() const override { return QSize(32, 22); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // A click never checks or unchecks by itself.
    void nextCheckState() override {}

private:
    void retranslate();
    PanelOption m_option;
};

// A segmented picker of a fixed width: one checkable segment per option. Which one is
// checked is set from outside, and none may be (the bound value is not among the
// options). A click on a segment that is not checked announces its index; the picker
// does not check it itself, the owner does once the bound value changed.
class PanelSegmentedPicker : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 24;

    PanelSegmentedPicker(const QList<PanelOption>& options, int width, QWidget* parent = nullptr);

    const QList<PanelSegmentButton*>& segments() const { return m_segments; }
    std::optional<int> selectedIndex() const;
    void setSelectedIndex(std::optional<int> index);

signals:
    void optionPicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<PanelSegmentButton*> m_segments;
};

// A horizontal slider over the decimal values min, min + step, ..., max. The slider
// itself moves over whole positions 0 ... stepCount(); each position stands for the
// decimal value nearest to min + position x step written in decimal (so 0.1 + 3 x 0.05
// gives exactly the double of 0.25, never 0.25000000000000006).
class PanelSlider : public KeyboardFocusShown<QAbstractSlider> {
    Q_OBJECT
public:
    PanelSlider(double minimum, double maximum, double step, QWidget* parent = nullptr);

    double minimumValue() const { return m_minimum; }
    double maximumValue() const { return m_maximum; }
    double step() const { return m_step; }
    int stepCount() const { return maximum(); }
    // The decimal value of a position, and the position nearest a value (clamped).
    double valueAt(int position) const;
    int positionFor(double value) const;
    double decimalValue() const { return valueAt(value()); }

    QSize sizeHint() const override { return QSize(200, 22); }
    QSize minimumSizeHint() const override { return QSize(60, 22); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF trackRect() const;
    QPointF knobCentre() const;
    int positionAtX(double x) const;

    double m_minimum;
    double m_maximum;
    double m_step;
    qint64 m_scale = 1;       // 10^decimals
    qint64 m_minimumUnits = 0; // minimum x scale
    qint64 m_stepUnits = 1;    // step x scale
    bool m_dragging = false;
};

// A small on/off switch: a capsule with a sliding knob, accent-filled while on. It is
// checkable; a click or Space turns it and announces toggled(), like any button.
class PanelSwitch : public KeyboardFocusShown<QAbstractButton> {
    Q_OBJECT
public:
    explicit PanelSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(32, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
};

// A caption, flexible room, and the value text on the right.
class PanelValueReadout : public QWidget {
    Q_OBJECT
public:
    PanelValueReadout(const QString& captionKey, QWidget* parent = nullptr);
    PanelText* caption() const { return m_caption; }
    PanelText* valueText() const { return m_value; }
    void setValueText(const QString& text) { m_value->setText(text); }

private:
    PanelText* m_caption;
    PanelText* m_value;
};

// A pop-up picker that can show no selection (index -1) when the bound value is not
// one of its items. Items carry their value as item data.
class PanelPopUpPicker : public QComboBox {
    Q_OBJECT
public:
    explicit PanelPopUpPicker(QWidget* parent = nullptr);
    // The index whose data equals `value`, or none.
    void selectData(const QVariant& value);
};
