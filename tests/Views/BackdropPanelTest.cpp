#include "Models/ImageEditorViewModel.h"
#include "Core/Settings.h"
#include "Views/BackdropPanelView.h"
#include "Views/PropertyPanelControls.h"

#include <gtest/gtest.h>

namespace {

ToolStyleSnapshot storedStyles()
{
    const std::optional<QByteArray> data = Settings::toolStyleSnapshot.read();
    return data ? ToolStyleSnapshot::fromJson(*data).value_or(ToolStyleSnapshot()) : ToolStyleSnapshot();
}

} // namespace

TEST(BackdropPanel, EveryControlWritesTheModelAndTheStoredSettings)
{
    Settings::rememberToolStyles.write(true);
    ImageEditorViewModel model;
    model.setIsBackdropEnabled(false);
    BackdropPanelView panel(&model);

    // Off: the settings are dimmed and take no input; the switch turns them on.
    EXPECT_FALSE(panel.settings()->isEnabled());
    EXPECT_DOUBLE_EQ(panel.settingsOpacity(), 0.45);
    panel.enableSwitch()->click();
    EXPECT_TRUE(model.isBackdropEnabled());
    EXPECT_TRUE(Settings::backdropEnabled.read());
    EXPECT_TRUE(panel.settings()->isEnabled());
    EXPECT_DOUBLE_EQ(panel.settingsOpacity(), 1.0);

    // Solid colours first, gradients second; a click selects and stores the preset.
    ASSERT_EQ(panel.swatches().size(), 14);
    EXPECT_EQ(panel.swatches().at(6)->preset(), BackdropPreset::black);
    EXPECT_EQ(panel.swatches().at(12)->toolTip(), "Ocean");
    panel.swatches().at(12)->click();
    EXPECT_EQ(model.currentBackdropPreset(), BackdropPreset::ocean);
    EXPECT_EQ(storedStyles().backdropPreset, "ocean");
    for (BackdropSwatch* swatch : panel.swatches())
        EXPECT_EQ(swatch->isSelected(), swatch->preset() == BackdropPreset::ocean);

    // Sliders by their step: padding and radius 1, strength 0.05.
    panel.paddingSlider()->setValue(50);
    panel.cornerRadiusSlider()->setValue(20);
    panel.shadowStrengthSlider()->setValue(7);
    EXPECT_EQ(QList<double>({ model.currentBackdropPadding(), model.currentBackdropCornerRadius(),
                  model.currentBackdropShadowIntensity() }), QList<double>({ 50.0, 20.0, 0.35 }));
    const ToolStyleSnapshot stored = storedStyles();
    EXPECT_EQ(QList<std::optional<double>>({ stored.backdropPadding, stored.backdropCornerRadius,
                  stored.backdropShadowIntensity }), QList<std::optional<double>>({ 50.0, 20.0, 0.35 }));
    EXPECT_EQ(panel.shadowStrengthReadout()->valueText()->text(), "35%");

    // The shadow switch hides the strength row; the strength stays in the model.
    panel.shadowSwitch()->click();
    EXPECT_FALSE(model.currentBackdropShadowEnabled());
    EXPECT_EQ(storedStyles().backdropShadowEnabled, false);
    EXPECT_TRUE(panel.shadowStrengthRow()->isHidden());
    EXPECT_DOUBLE_EQ(model.currentBackdropShadowIntensity(), 0.35);

    // The readouts follow the model, written by anyone: the whole part in px.
    model.setCurrentBackdropPadding(10.8);
    EXPECT_EQ(panel.paddingReadout()->valueText()->text(), "10 px");
    model.setCurrentBackdropShadowIntensity(0.05);
    EXPECT_EQ(panel.shadowStrengthReadout()->valueText()->text(), "5%");
}
