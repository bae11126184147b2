#pragma once

#include "Views/PressableWidget.h"

#include <QString>
#include <QWidget>

// One control of the floating toolbar and its crop bar: a button without bezel whose
// whole frame takes clicks. It shows either a symbol of 15 points in a 28 x 28 frame,
// or a short text on a faint rounded pill (the zoom percentage).
//
// Looks: `active` lays the accent colour at 35 % behind the symbol; `accentTint`
// draws the symbol in the accent colour; `accentSquare` draws a white symbol on an
// accent-filled square (export, confirm). A disabled button is drawn at 35 % and takes
// no clicks. Hovering and pressing darken the background slightly.
class ToolbarButton : public PressableWidget {
    Q_OBJECT
public:
    static constexpr int frameSize = 28;
    static constexpr qreal symbolSize = 15.0;
    static constexpr qreal cornerRadius = 7.0;
    static constexpr qreal disabledOpacity = 0.35;

    enum class Look { plain, accentSquare };

    explicit ToolbarButton(const QString& symbol, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);

    // A text label instead of a symbol (width follows the text, 8 points each side).
    void setText(const QString& text);
    QString text() const { return m_text; }

    void setLook(Look look);
    Look look() const { return m_look; }
    void setActive(bool active);
    bool isActive() const { return m_active; }
    void setAccentTint(bool accent);
    bool hasAccentTint() const { return m_accentTint; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    QString m_text;
    Look m_look = Look::plain;
    bool m_active = false;
    bool m_accentTint = false;
};

// The 1 x 20 point divider between groups of the toolbar, with 3.5 points each side.
class ToolbarDivider : public QWidget {
public:
    explicit ToolbarDivider(QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(8, 20); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
