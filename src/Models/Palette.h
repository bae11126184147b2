#pragma once

#include "Platform/RgbaColor.h"

#include <array>

// The preset colours the toolbar offers, in the order shown. Components are stored
// as the nearest doubles to n/255 and compared exactly.
constexpr RgbaColor makePaletteColor(double red, double green, double blue)
{
    return RgbaColor(red, green, blue, 1.0);
}

inline constexpr RgbaColor paletteRed = makePaletteColor(1.0, 0.0, 0.0);
inline constexpr RgbaColor paletteBlue = makePaletteColor(0.0, 0.0, 1.0);
inline constexpr RgbaColor paletteGreen = makePaletteColor(0.0, 1.0, 0.0);
inline constexpr RgbaColor paletteOrange = makePaletteColor(1.0, 136.0 / 255.0, 0.0);
inline constexpr RgbaColor palettePurple = makePaletteColor(136.0 / 255.0, 0.0, 1.0);
inline constexpr RgbaColor paletteWhite = makePaletteColor(1.0, 1.0, 1.0);
inline constexpr RgbaColor paletteGray = makePaletteColor(128.0 / 255.0, 128.0 / 255.0, 128.0 / 255.0);
inline constexpr RgbaColor paletteBlack = makePaletteColor(34.0 / 255.0, 34.0 / 255.0, 34.0 / 255.0);

inline constexpr std::array<RgbaColor, 8> presetColors{paletteRed,    paletteBlue,  paletteGreen, paletteOrange,
                                                       palettePurple, paletteWhite, paletteGray,  paletteBlack};
