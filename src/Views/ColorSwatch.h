#pragma once

#include "Platform/RgbaColor.h"

#include <QAbstractButton>
#include <QColor>
#include <QPalette>
#include <QString>

#include <functional>
#include <optional>

class QPainter;

// The localised name of a colour: the name of the first palette entry equal to it
// (red, blue, green, orange, purple, white, gray, black, in that order), else "Custom".
QString colorLocalizedName(const RgbaColor& color);

// Whether a swatch of colour `swatch` shows the bound colour `bound`: some palette
// entry equals both. A bound colour outside the palette rings no swatch.
bool matchesPaletteColor(const RgbaColor& bound, const RgbaColor& swatch);

// The swatch's accent colours for an appearance: the selection ring (system blue) and
// the no-colour slash (system red).
QColor swatchRingColor(const QPalette& palette);
QColor swatchSlashColor(const QPalette& palette);

// Paints one swatch centred on `frame`: a 24-point circle of the colour (or the
// no-colour mark when there is none), and, when selected, a 28-point ring around it.
void paintColorSwatch(QPainter& painter, const QRectF& frame, const std::optional<RgbaColor>& color, bool isSelected,
                      const QPalette& palette);

// One round swatch button: a colour (or none, the no-colour swatch), a selection ring
// while selected, and the colour's localised name as its tooltip, which follows the
// interface language. It is 24 points square, 28 while selected (the ring is outside
// the colour), and takes clicks only inside its circle. A click runs `action`.
class ColorSwatch : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int markSize = 24;
    static constexpr int ringSize = 28;

    ColorSwatch(std::optional<RgbaColor> color, bool isSelected, std::function<void()> action,
                QWidget* parent = nullptr);

    const std::optional<RgbaColor>& color() const { return m_color; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);

    // The help text as it is now ("Red", "Transparent" ...).
    QString helpText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateHelpText();

    std::optional<RgbaColor> m_color;
    bool m_isSelected = false;
    bool m_keyboardFocus = false; // focus reached by Tab: shown with a dotted ring
    std::function<void()> m_action;
};
