#include "Capture/WindowPickerGeometry.h"

#include "Platform/Geometry.h"

#include <cmath>

namespace WindowPickerGeometry {

std::optional<qsizetype> hitWindow(const QList<WindowRecord>& windows, const QPointF& point)
{
    for (qsizetype i = 0; i < windows.size(); ++i)
        if (Geometry::contains(windows[i].frame, point))
            return i;
    return std::nullopt;
}

QSize pixelSize(const QSizeF& frame, double scale)
{
    return QSize(int(std::lround(frame.width() * scale)), int(std::lround(frame.height() * scale)));
}

QString sizeLabel(const QSizeF& frame, double scale)
{
    const QSize pixels = pixelSize(frame, scale);
    return QStringLiteral("%1 × %2").arg(pixels.width()).arg(pixels.height());
}

QString hoverLogLine(const WindowRecord& window, double scale)
{
    const QSize pixels = pixelSize(window.frame.size(), scale);
    return QStringLiteral("🪟 悬停标签: %1×%2pt × scale %3 → %4×%5px [%6/'%7')]")
        .arg(static_cast<long long>(std::trunc(window.frame.width())))
        .arg(static_cast<long long>(std::trunc(window.frame.height())))
        .arg(scale, 0, 'f', 1)
        .arg(pixels.width())
        .arg(pixels.height())
        .arg(window.ownerName.value_or(QStringLiteral("?")), window.title.value_or(QString()).left(20));
}

} // namespace WindowPickerGeometry
