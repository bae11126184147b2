#include "Models/BackdropPreset.h"

#include <QColor>

#include <array>

namespace {

struct PresetEntry {
    BackdropPreset::Value value;
    const char* name;
    QList<BackdropColorStop> stops;
};

QList<BackdropColorStop> solid(double r, double g, double b)
{
    return {{0.0, r, g, b}, {1.0, r, g, b}};
}

const std::array<PresetEntry, 14>& presetTable()
{
    static const std::array<PresetEntry, 14> table = {{
        {BackdropPreset::white, "white", solid(1.0, 1.0, 1.0)},
        {BackdropPreset::lightGray, "lightGray", solid(0.961, 0.965, 0.973)},
        {BackdropPreset::ivory, "ivory", solid(0.969, 0.953, 0.925)},
        {BackdropPreset::steel, "steel", solid(0.914, 0.933, 0.957)},
        {BackdropPreset::warmGray, "warmGray", solid(0.929, 0.914, 0.89)},
        {BackdropPreset::darkGray, "darkGray", solid(0.243, 0.255, 0.282)},
        {BackdropPreset::black, "black", solid(0.0, 0.0, 0.0)},
        {BackdropPreset::blue, "blue", {{0.0, 0.902, 0.941, 0.984}, {1.0, 0.788, 0.878, 0.969}}},
        {BackdropPreset::pink, "pink", {{0.0, 0.988, 0.933, 0.941}, {1.0, 0.976, 0.851, 0.875}}},
        {BackdropPreset::violet, "violet", {{0.0, 0.925, 0.914, 0.996}, {1.0, 0.847, 0.824, 0.996}}},
        {BackdropPreset::mint, "mint", {{0.0, 0.875, 0.965, 0.894}, {1.0, 0.741, 0.91, 0.835}}},
        {BackdropPreset::sunset, "sunset",
         {{0.0, 1.0, 0.855, 0.663}, {0.5, 1.0, 0.604, 0.635}, {1.0, 0.78, 0.663, 0.949}}},
        {BackdropPreset::ocean, "ocean",
         {{0.0, 0.659, 0.925, 0.906}, {0.5, 0.486, 0.78, 0.961}, {1.0, 0.357, 0.561, 0.976}}},
        {BackdropPreset::candy, "candy",
         {{0.0, 1.0, 0.82, 0.863}, {0.5, 0.91, 0.784, 1.0}, {1.0, 0.788, 0.894, 1.0}}},
    }};
    return table;
}

const PresetEntry& entryFor(BackdropPreset::Value value)
{
    // The table is in declaration order, so the enum value is its index.
    return presetTable()[static_cast<size_t>(value)];
}

} // namespace

const QList<BackdropPreset>& BackdropPreset::allCases()
{
    static const QList<BackdropPreset> cases = [] {
        QList<BackdropPreset> list;
        for (const PresetEntry& entry : presetTable())
            list.append(BackdropPreset(entry.value));
        return list;
    }();
    return cases;
}

QString BackdropPreset::rawValue() const
{
    return QString::fromLatin1(entryFor(m_value).name);
}

std::optional<BackdropPreset> BackdropPreset::fromRawValue(const QString& rawValue)
{
    for (const PresetEntry& entry : presetTable()) {
        if (rawValue == QLatin1String(entry.name))
            return BackdropPreset(entry.value);
    }
    return std::nullopt;
}

const QList<BackdropColorStop>& BackdropPreset::colorStops() const
{
    return entryFor(m_value).stops;
}

QGradientStops BackdropPreset::gradient() const
{
    QGradientStops stops;
    for (const BackdropColorStop& stop : colorStops())
        stops.append({stop.location, QColor::fromRgbF(static_cast<float>(stop.red), static_cast<float>(stop.green),
                                                      static_cast<float>(stop.blue), 1.0f)});
    return stops;
}

bool BackdropPreset::isSolid() const
{
    const QList<BackdropColorStop>& stops = colorStops();
    return stops.size() == 2 && stops[0].red == stops[1].red && stops[0].green == stops[1].green
        && stops[0].blue == stops[1].blue;
}
