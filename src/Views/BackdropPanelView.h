#pragma once

#include "Models/BackdropPreset.h"

#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QWidget>

class ImageEditorViewModel;
class PanelSlider;
class PanelSwitch;
class PanelValueReadout;
class QGraphicsOpacityEffect;

// One preset of the backdrop panel: a small rounded card of the preset's gradient, top
// to bottom, ringed in the accent colour while it is the current preset. Its tooltip
// is the preset's localised name.
class BackdropSwatch : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int swatchWidth = 26;
    static constexpr int swatchHeight = 18;

    explicit BackdropSwatch(BackdropPreset preset, QWidget* parent = nullptr);
    BackdropPreset preset() const { return m_preset; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override { return QSize(swatchWidth, swatchHeight); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void retranslate();
    BackdropPreset m_preset;
    bool m_selected = false;
};

// The backdrop popover's panel: the on/off switch, the fourteen presets (solid colours
// in the first row, gradients in the second), padding and corner radius, the shadow
// switch and, while the shadow is on, its strength. Every control writes straight into
// the editor model's backdrop fields, which store themselves; the panel keeps no value
// of its own and shows the model's after every change. While the backdrop is off the
// settings are dimmed and do not respond; only the switch does.
class BackdropPanelView : public QWidget {
    Q_OBJECT
public:
    // The panel's width with the popover's 12-point padding on each side.
    static constexpr int panelWidth = 250;
    static constexpr int contentWidth = panelWidth - 24;
    static constexpr double disabledOpacity = 0.45;

    explicit BackdropPanelView(ImageEditorViewModel* viewModel, QWidget* parent = nullptr);

    // Makes `preset` the current one (stored with the tool styles when they are
    // remembered); it does not switch the backdrop on.
    void selectPreset(BackdropPreset preset);
    // Shows the model's values again.
    void refresh();

    // Readouts: the whole part of a length ("32 px"); a strength as a rounded percentage ("35%").
    static QString lengthText(double value);
    static QString strengthText(double value);

    // The panel's fixed width, whatever its fields would like.
    QSize sizeHint() const override { return QSize(contentWidth, QWidget::sizeHint().height()); }
    QSize minimumSizeHint() const override { return QSize(contentWidth, QWidget::minimumSizeHint().height()); }

    // Parts, for tests.
    PanelSwitch* enableSwitch() const { return m_enable; }
    const QList<BackdropSwatch*>& swatches() const { return m_swatches; }
    QWidget* settings() const { return m_settings; }
    double settingsOpacity() const;
    PanelValueReadout* paddingReadout() const { return m_paddingReadout; }
    PanelSlider* paddingSlider() const { return m_padding; }
    PanelValueReadout* cornerRadiusReadout() const { return m_cornerRadiusReadout; }
    PanelSlider* cornerRadiusSlider() const { return m_cornerRadius; }
    PanelSwitch* shadowSwitch() const { return m_shadow; }
    QWidget* shadowStrengthRow() const { return m_strengthRow; }
    PanelValueReadout* shadowStrengthReadout() const { return m_strengthReadout; }
    PanelSlider* shadowStrengthSlider() const { return m_strength; }

private:
    QWidget* addSliderRow(QWidget* parent, const QString& captionKey, double minimum, double maximum, double step,
                          PanelValueReadout** readout, PanelSlider** slider);

    ImageEditorViewModel* m_viewModel;
    bool m_refreshing = false;
    PanelSwitch* m_enable = nullptr;
    QWidget* m_settings = nullptr;
    QGraphicsOpacityEffect* m_settingsOpacity = nullptr;
    QList<BackdropSwatch*> m_swatches;
    PanelValueReadout* m_paddingReadout = nullptr;
    PanelSlider* m_padding = nullptr;
    PanelValueReadout* m_cornerRadiusReadout = nullptr;
    PanelSlider* m_cornerRadius = nullptr;
    PanelSwitch* m_shadow = nullptr;
    QWidget* m_strengthRow = nullptr;
    PanelValueReadout* m_strengthReadout = nullptr;
    PanelSlider* m_strength = nullptr;
};
