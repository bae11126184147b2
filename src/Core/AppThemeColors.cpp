#include "Core/AppThemeColors.h"

namespace {

QColor primaryAt(const QPalette& palette, double opacity)
{
    QColor color = palette.color(QPalette::Active, QPalette::WindowText);
    color.setAlphaF(float(opacity));
    return color;
}

} // namespace

bool isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightnessF()
        < palette.color(QPalette::Active, QPalette::WindowText).lightnessF();
}

QColor canvasBackgroundColor(const QPalette& palette)
{
    const float white = isDarkPalette(palette) ? 0.1f : 0.93f;
    return QColor::fromRgbF(white, white, white, 1.0f);
}

QColor appWindowBackground(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window);
}

QColor primaryTint20(const QPalette& palette)
{
    return primaryAt(palette, 0.2);
}

QColor primaryTint25(const QPalette& palette)
{
    return primaryAt(palette, 0.25);
}
