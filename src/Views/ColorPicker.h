#pragma once

#include "Platform/RgbaColor.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class ColorSwatch;

// A two-way binding to a colour property: how to read it and how to write it.
template <typename T>
struct ColorBinding {
    std::function<T()> get;
    std::function<void(T)> set;
};

// A row of round swatches, one per palette colour in palette order, for a colour that
// always has a value. The swatch equal to the bound colour carries the ring; a colour
// outside the palette rings none. A click writes that palette colour (the same one
// again when it was already chosen: a swatch never toggles off).
//
// The row keeps no copy of the colour: refresh() reads the binding again; the owner
// calls it when the bound property changes (a click refreshes by itself).
class ColorPickerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 6;

    explicit ColorPickerView(ColorBinding<RgbaColor> selectedColor, QWidget* parent = nullptr);

    const QList<ColorSwatch*>& swatches() const { return m_swatches; }
    void refresh();

private:
    ColorBinding<RgbaColor> m_selectedColor;
    QList<ColorSwatch*> m_swatches;
};

// The same row for a colour that may be absent, led by the no-colour swatch, which is
// ringed while no colour is bound and writes none when clicked.
class OptionalColorPickerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 6;

    explicit OptionalColorPickerView(ColorBinding<std::optional<RgbaColor>> selectedColor, QWidget* parent = nullptr);

    ColorSwatch* noColorSwatch() const { return m_noColor; }
    // The palette swatches, without the no-colour one.
    const QList<ColorSwatch*>& swatches() const { return m_swatches; }
    void refresh();

private:
    ColorBinding<std::optional<RgbaColor>> m_selectedColor;
    ColorSwatch* m_noColor = nullptr;
    QList<ColorSwatch*> m_swatches;
};
