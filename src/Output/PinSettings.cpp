#include "Output/PinSettings.h"

#include "Platform/UserDefaults.h"

namespace {

const QString kOpacity = QStringLiteral("pinOpacity");
const QString kCornerRadius = QStringLiteral("pinCornerRadius");
const QString kShadowEnabled = QStringLiteral("pinShadowEnabled");

} // namespace

double PinSettings::readOpacity(UserDefaults& defaults)
{
    // An absent key reads 0, out of range: opaque.
    const double v = defaults.doubleValue(kOpacity);
    return v >= 0.3 && v <= 1.0 ? v : 1.0;
}

double PinSettings::readCornerRadius(UserDefaults& defaults)
{
    if (!defaults.object(kCornerRadius).isValid())
        return 10.0;
    const double v = defaults.doubleValue(kCornerRadius);
    return v >= 0.0 && v <= 40.0 ? v : 10.0;
}

bool PinSettings::readShadowEnabled(UserDefaults& defaults)
{
    return defaults.object(kShadowEnabled).isValid() ? defaults.boolValue(kShadowEnabled) : true;
}

PinSettings PinSettings::read(UserDefaults& defaults)
{
    return {readOpacity(defaults), readCornerRadius(defaults), readShadowEnabled(defaults)};
}

void PinSettings::save(UserDefaults& defaults) const
{
    defaults.set(kOpacity, opacity);
    defaults.set(kCornerRadius, cornerRadius);
    defaults.set(kShadowEnabled, shadowEnabled);
}
