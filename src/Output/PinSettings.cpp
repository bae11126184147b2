#include "Output/PinSettings.h"

#include "Core/Settings.h"

double PinSettings::readOpacity(UserDefaults& defaults)
{
    const double v = Settings::pinOpacity.read(defaults);
    return v >= 0.3 && v <= 1.0 ? v : 1.0;
}

double PinSettings::readCornerRadius(UserDefaults& defaults)
{
    const double v = Settings::pinCornerRadius.read(defaults);
    return v >= 0.0 && v <= 40.0 ? v : 10.0;
}

bool PinSettings::readShadowEnabled(UserDefaults& defaults) { return Settings::pinShadowEnabled.read(defaults); }

PinSettings PinSettings::read(UserDefaults& defaults)
{
    return {readOpacity(defaults), readCornerRadius(defaults), readShadowEnabled(defaults)};
}

void PinSettings::save(UserDefaults& defaults) const
{
    Settings::pinOpacity.write(opacity, defaults);
    Settings::pinCornerRadius.write(cornerRadius, defaults);
    Settings::pinShadowEnabled.write(shadowEnabled, defaults);
}
