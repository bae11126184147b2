#include "Views/ColorPicker.h"

#include "Models/Palette.h"
#include "Views/ColorSwatch.h"

#include <QHBoxLayout>

#include <functional>

namespace {

QHBoxLayout* swatchRow(QWidget* owner, int spacing)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    // Every swatch sits on the row's centre line, so the ringed one grows about it.
    layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return layout;
}

// One swatch per palette colour, in palette order, each handing its colour to `choose`.
QList<ColorSwatch*> addPaletteSwatches(QWidget* owner, QHBoxLayout* layout,
                                       const std::function<void(const RgbaColor&)>& choose)
{
    QList<ColorSwatch*> swatches;
    for (const RgbaColor& entry : presetColors) {
        auto* swatch = new ColorSwatch(entry, false, [choose, entry] { choose(entry); }, owner);
        layout->addWidget(swatch, 0, Qt::AlignVCenter);
        swatches.append(swatch);
    }
    return swatches;
}

} // namespace

ColorPickerView::ColorPickerView(ColorBinding<RgbaColor> selectedColor, QWidget* parent)
    : QWidget(parent)
    , m_selectedColor(std::move(selectedColor))
{
    m_swatches = addPaletteSwatches(this, swatchRow(this, spacing), [this](const RgbaColor& color) {
        if (m_selectedColor.set)
            m_selectedColor.set(color);
        refresh();
    });
    // The row is as tall as a ringed swatch, so choosing one never moves what follows.
    setMinimumHeight(ColorSwatch::ringSize);
    refresh();
}

void ColorPickerView::refresh()
{
    const RgbaColor bound = m_selectedColor.get ? m_selectedColor.get() : RgbaColor();
    for (ColorSwatch* swatch : m_swatches)
        swatch->setSelected(matchesPaletteColor(bound, *swatch->color()));
}

OptionalColorPickerView::OptionalColorPickerView(ColorBinding<std::optional<RgbaColor>> selectedColor, QWidget* parent)
    : QWidget(parent)
    , m_selectedColor(std::move(selectedColor))
{
    QHBoxLayout* layout = swatchRow(this, spacing);
    m_noColor = new ColorSwatch(std::nullopt, false, [this] {
        if (m_selectedColor.set)
            m_selectedColor.set(std::nullopt);
        refresh();
    }, this);
    layout->addWidget(m_noColor, 0, Qt::AlignVCenter);
    m_swatches = addPaletteSwatches(this, layout, [this](const RgbaColor& color) {
        if (m_selectedColor.set)
            m_selectedColor.set(color);
        refresh();
    });
    setMinimumHeight(ColorSwatch::ringSize);
    refresh();
}

void OptionalColorPickerView::refresh()
{
    const std::optional<RgbaColor> bound = m_selectedColor.get ? m_selectedColor.get() : std::nullopt;
    m_noColor->setSelected(!bound.has_value());
    for (ColorSwatch* swatch : m_swatches)
        swatch->setSelected(bound.has_value() && matchesPaletteColor(*bound, *swatch->color()));
}
