#pragma once

#include <QGradientStops>
#include <QList>
#include <QString>

#include <optional>

// One colour stop of a backdrop gradient: location 0 (top of the card) to 1
// (bottom), sRGB components 0...1, always opaque.
struct BackdropColorStop {
    double location = 0.0;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;

    friend bool operator==(const BackdropColorStop&, const BackdropColorStop&) = default;
};

// The fourteen backdrop presets. A small wrapper around a plain enum so that a
// preset reads like a value (`BackdropPreset::ocean`, `preset.rawValue()`) and
// still works in a switch. The raw value is the case name; stored tool styles
// keep that string, so the names must never change.
class BackdropPreset {
public:
    enum Value {
        white,
        lightGray,
        ivory,
        steel,
        warmGray,
        darkGray,
        black,
        blue,
        pink,
        violet,
        mint,
        sunset,
        ocean,
        candy,
    };

    constexpr BackdropPreset(Value value = white) : m_value(value) {}
    constexpr operator Value() const { return m_value; }
    constexpr Value value() const { return m_value; }

    // Every preset, in declaration order.
    static const QList<BackdropPreset>& allCases();

    // The case name ("white", "lightGray", ... "candy").
    QString rawValue() const;
    // The preset whose case name equals the text exactly (no trimming, no case
    // folding); nothing for any other text.
    static std::optional<BackdropPreset> fromRawValue(const QString& rawValue);

    // The preset's stops, first drawn at the top of the card, last at the bottom.
    const QList<BackdropColorStop>& colorStops() const;
    // The same stops as opaque sRGB colours, for QLinearGradient.
    QGradientStops gradient() const;
    // Exactly two stops of equal colour (locations not compared).
    bool isSolid() const;

private:
    Value m_value;
};
