#pragma once

#include "Models/ToolType.h"
#include "Views/ColorPicker.h"
#include "Views/PropertyPanelControls.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class ImageEditorViewModel;
class QVBoxLayout;

// The property panels of the drawing tools, shown in the toolbar's popovers.
//
// A panel keeps no copy of a style: every control shows the style of the annotation
// being edited or selected (the current style of its tool while there is none) and
// writes the current-style property the moment the user changes it. The model then
// restyles that annotation (one undo step) and remembers the styles; new annotations
// keep taking the current style. Texts follow the interface language at once.
//
//   QWidget* panel = makeToolPropertyPanel(ToolType::arrow, viewModel);
//   popover->setContent(panel);
class ToolPropertyPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumPanelWidth = 240;
    static constexpr int itemSpacing = 10;

    ImageEditorViewModel* viewModel() const { return m_viewModel; }
    // The stored "appLanguage" setting as last seen ("system" by default).
    QString appLanguageRaw() const { return m_appLanguageRaw; }
    PanelText* title() const { return m_title; }

    // Reads every control's value from the model again (done on every style change).
    void refresh();

    QSize sizeHint() const override;

protected:
    ToolPropertyPanel(ImageEditorViewModel* viewModel, QWidget* parent);

    // The panel's items, top to bottom.
    PanelText* addTitle(const QString& key);
    void addDivider();
    PanelText* addCaption(const QString& key);

    // A caption, room, and a segmented picker `width` points wide over the options,
    // bound to a property through its getter and setter.
    template <typename E>
    PanelSegmentedPicker* addOptionRow(const QString& captionKey, int width, const QList<QPair<E, PanelOption>>& options,
                                       std::function<E()> get, std::function<void(E)> set)
    {
        QList<PanelOption> images;
        for (const auto& option : options)
            images.append(option.second);
        auto indexOf = [options, get]() -> std::optional<int> {
            const E current = get();
            for (int i = 0; i < options.size(); ++i)
                if (options[i].first == current)
                    return i;
            return std::nullopt;
        };
        auto pick = [options, set](int index) { set(options[index].first); };
        return addOptionRowImpl(captionKey, width, images, indexOf, pick);
    }

    struct SliderRow {
        PanelValueReadout* readout = nullptr;
        PanelSlider* slider = nullptr;
    };
    // A readout (caption and formatted value) and a slider over min...max by `step`.
    SliderRow addSliderRow(const QString& captionKey, std::function<QString(double)> format, double minimum,
                           double maximum, double step, std::function<double()> get, std::function<void(double)> set);

    ColorPickerView* addColorPicker(std::function<RgbaColor()> get, std::function<void(RgbaColor)> set);
    OptionalColorPickerView* addOptionalColorPicker(std::function<std::optional<RgbaColor>()> get,
                                                    std::function<void(std::optional<RgbaColor>)> set);

    // A caption of at least 64 points and a pop-up picker taking the rest of the row.
    PanelPopUpPicker* addPopUpRow(const QString& captionKey);

    // Runs on every refresh, inside the guard that keeps reads from writing back.
    void addRefresher(std::function<void()> refresher);
    // False while controls are being set from the model.
    bool acceptsUserChanges() const { return !m_refreshing; }

private:
    PanelSegmentedPicker* addOptionRowImpl(const QString& captionKey, int width, const QList<PanelOption>& images,
                                           std::function<std::optional<int>()> indexOf, std::function<void(int)> pick);

    ImageEditorViewModel* m_viewModel;
    QVBoxLayout* m_layout;
    PanelText* m_title = nullptr;
    QString m_appLanguageRaw;
    QList<std::function<void()>> m_refreshers;
    bool m_refreshing = false;
};

// The body the arrow, line and freehand panels share: title, option row, line width,
// colour.
class WidthSliderPanel : public ToolPropertyPanel {
    Q_OBJECT
public:
    PanelSegmentedPicker* optionPicker() const { return m_optionPicker; }
    PanelValueReadout* widthReadout() const { return m_width.readout; }
    PanelSlider* widthSlider() const { return m_width.slider; }
    ColorPickerView* colorPicker() const { return m_colorPicker; }

protected:
    WidthSliderPanel(ImageEditorViewModel* viewModel, QWidget* parent);
    // Builds the rows; `addOptions` adds the option row.
    void build(const QString& titleKey, const std::function<PanelSegmentedPicker*()>& addOptions,
               std::function<double()> getWidth, std::function<void(double)> setWidth,
               std::function<RgbaColor()> getColor, std::function<void(RgbaColor)> setColor);

private:
    PanelSegmentedPicker* m_optionPicker = nullptr;
    SliderRow m_width;
    ColorPickerView* m_colorPicker = nullptr;
};

class ArrowPropertyView : public WidthSliderPanel {
    Q_OBJECT
public:
    explicit ArrowPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
};

class LinePropertyView : public WidthSliderPanel {
    Q_OBJECT
public:
    explicit LinePropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
};

class FreehandPropertyView : public WidthSliderPanel {
    Q_OBJECT
public:
    explicit FreehandPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
};

class RectanglePropertyView : public ToolPropertyPanel {
    Q_OBJECT
public:
    explicit RectanglePropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    PanelSegmentedPicker* shapePicker() const { return m_shapePicker; }
    PanelValueReadout* widthReadout() const { return m_width.readout; }
    PanelSlider* widthSlider() const { return m_width.slider; }
    ColorPickerView* strokeColorPicker() const { return m_strokeColorPicker; }
    OptionalColorPickerView* fillColorPicker() const { return m_fillColorPicker; }

private:
    PanelSegmentedPicker* m_shapePicker = nullptr;
    SliderRow m_width;
    ColorPickerView* m_strokeColorPicker = nullptr;
    OptionalColorPickerView* m_fillColorPicker = nullptr;
};

class TextPropertyView : public ToolPropertyPanel {
    Q_OBJECT
public:
    explicit TextPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    // 12, 14, ..., 48.
    const QList<double>& fontSizes() const { return m_fontSizes; }
    // (label, stored font name) pairs; the names stay those of the design, and each
    // label adds the family that actually draws it here ("Helvetica — Liberation Sans").
    const QList<QPair<QString, QString>>& fonts() const { return m_fonts; }
    PanelPopUpPicker* fontSizePicker() const { return m_fontSizePicker; }
    PanelPopUpPicker* fontPicker() const { return m_fontPicker; }
    ColorPickerView* colorPicker() const { return m_colorPicker; }

private:
    QList<double> m_fontSizes;
    QList<QPair<QString, QString>> m_fonts;
    PanelPopUpPicker* m_fontSizePicker = nullptr;
    PanelPopUpPicker* m_fontPicker = nullptr;
    ColorPickerView* m_colorPicker = nullptr;
};

class HighlighterPropertyView : public ToolPropertyPanel {
    Q_OBJECT
public:
    explicit HighlighterPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    PanelSegmentedPicker* capPicker() const { return m_capPicker; }
    PanelValueReadout* alphaReadout() const { return m_alpha.readout; }
    PanelSlider* alphaSlider() const { return m_alpha.slider; }
    PanelValueReadout* widthReadout() const { return m_width.readout; }
    PanelSlider* widthSlider() const { return m_width.slider; }
    ColorPickerView* colorPicker() const { return m_colorPicker; }

private:
    PanelSegmentedPicker* m_capPicker = nullptr;
    SliderRow m_alpha;
    SliderRow m_width;
    ColorPickerView* m_colorPicker = nullptr;
};

class NumberPropertyView : public ToolPropertyPanel {
    Q_OBJECT
public:
    explicit NumberPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    PanelSegmentedPicker* shapePicker() const { return m_shapePicker; }
    PanelValueReadout* sizeReadout() const { return m_size.readout; }
    PanelSlider* sizeSlider() const { return m_size.slider; }
    ColorPickerView* colorPicker() const { return m_colorPicker; }

private:
    PanelSegmentedPicker* m_shapePicker = nullptr;
    SliderRow m_size;
    ColorPickerView* m_colorPicker = nullptr;
};

class MosaicPropertyView : public ToolPropertyPanel {
    Q_OBJECT
public:
    explicit MosaicPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    PanelValueReadout* strengthReadout() const { return m_strength.readout; }
    PanelSlider* strengthSlider() const { return m_strength.slider; }

private:
    SliderRow m_strength;
};

class SpotlightPropertyView : public ToolPropertyPanel {
    Q_OBJECT
public:
    explicit SpotlightPropertyView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
    PanelSegmentedPicker* shapePicker() const { return m_shapePicker; }
    PanelValueReadout* dimReadout() const { return m_dim.readout; }
    PanelSlider* dimSlider() const { return m_dim.slider; }

private:
    PanelSegmentedPicker* m_shapePicker = nullptr;
    SliderRow m_dim;
};

// The panel of a drawing tool, or null for tools without one (none, crop, pan).
ToolPropertyPanel* makeToolPropertyPanel(ToolType tool, ImageEditorViewModel* viewModel, QWidget* parent = nullptr);
