#pragma once

#include <QColor>
#include <QString>

#include <algorithm>
#include <cmath>

// A colour as four sRGB components in 0...1. Stored colours round-trip exactly;
// QColor (16 bits a channel) is made only for painting.
struct RgbaColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    constexpr RgbaColor() = default;
    constexpr RgbaColor(double r, double g, double b, double a = 1.0)
        : red(r), green(g), blue(b), alpha(a)
    {
    }

    static RgbaColor fromRgb8(int r, int g, int b, double a = 1.0)
    {
        return RgbaColor(r / 255.0, g / 255.0, b / 255.0, a);
    }
    static RgbaColor fromQColor(const QColor& c)
    {
        return RgbaColor(c.redF(), c.greenF(), c.blueF(), c.alphaF());
    }

    RgbaColor withAlpha(double a) const { return RgbaColor(red, green, blue, a); }

    QColor toQColor() const
    {
        auto clamp01 = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
        return QColor::fromRgbF(static_cast<float>(clamp01(red)), static_cast<float>(clamp01(green)),
                                static_cast<float>(clamp01(blue)), static_cast<float>(clamp01(alpha)));
    }

    // Packed 8-bit ARGB, as painted.
    QRgb toArgb() const { return toQColor().rgba(); }

    bool isClear() const { return alpha <= 0.0; }

    friend bool operator==(const RgbaColor& a, const RgbaColor& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
    }
    friend bool operator!=(const RgbaColor& a, const RgbaColor& b) { return !(a == b); }
};

// The system colours the palette and the tools name.
namespace SystemColors {
inline constexpr RgbaColor clear{0.0, 0.0, 0.0, 0.0};
inline constexpr RgbaColor black{0.0, 0.0, 0.0, 1.0};
inline constexpr RgbaColor white{1.0, 1.0, 1.0, 1.0};
} // namespace SystemColors
