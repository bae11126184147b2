#include "Models/BackdropParameters.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double clampedUnit(double value)
{
    // A NaN intensity would slip through std::clamp; it counts as no shadow.
    if (std::isnan(value))
        return 0.0;
    return std::clamp(value, 0.0, 1.0);
}

// Keeps the sums below far from int overflow for absurd stored values.
constexpr double maximumExtent = 1.0e6;

} // namespace

BackdropLayout BackdropParameters::layout(double width, double height) const
{
    BackdropLayout result;
    const double intensity = clampedUnit(shadowIntensity);

    // The image's corners never curve past half of its shorter side, and a
    // negative or non-finite radius means square corners, so the drawing code
    // never sees a radius it cannot draw.
    double radius = std::isnan(cornerRadius) ? 0.0 : std::max(0.0, cornerRadius);
    const double shorter = std::min(width, height);
    if (shorter > 0.0)
        radius = std::min(radius, shorter / 2.0);
    if (!std::isfinite(radius))
        radius = 0.0;

    result.padding = padding;
    result.cornerRadius = radius;
    result.outerCornerRadius = radius + (std::isfinite(padding) ? std::max(0.0, padding) : 0.0);

    if (shadowEnabled) {
        result.shadowBlur = 30.0 * intensity + 10.0;
        result.shadowOffsetY = 6.0 * intensity + 2.0;
        result.shadowOpacity = 0.6 * intensity;
    }
    return result;
}

int BackdropLayout::shadowMargin() const
{
    if (!isShadowVisible())
        return 0;
    const double extent = std::abs(shadowOffsetY) + *shadowBlur;
    if (!std::isfinite(extent))
        return 0;
    return static_cast<int>(std::ceil(std::min(extent, maximumExtent))) + 2;
}

int BackdropLayout::wholePadding() const
{
    if (!std::isfinite(padding) || padding <= 0.0)
        return 0;
    return static_cast<int>(std::ceil(std::min(padding, maximumExtent)));
}

QSize BackdropLayout::canvasPixelSize(int imageWidth, int imageHeight) const
{
    const qint64 grow = 2 * static_cast<qint64>(wholePadding()) + 2 * static_cast<qint64>(shadowMargin());
    const qint64 w = imageWidth + grow;
    const qint64 h = imageHeight + grow;
    if (w > std::numeric_limits<int>::max() || h > std::numeric_limits<int>::max())
        return {};
    return QSize(static_cast<int>(w), static_cast<int>(h));
}
