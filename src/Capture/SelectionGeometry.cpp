#include "Capture/SelectionGeometry.h"

#include <algorithm>
#include <cmath>

namespace SelectionGeometry {

QRectF selectionFromPoints(const QPointF& a, const QPointF& b)
{
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
}

bool isLargeEnough(const QRectF& selection)
{
    return selection.width() >= minimumSelectionSize && selection.height() >= minimumSelectionSize;
}

QRect pixelRectForSelection(const QRectF& selection, const QRectF& displayFrame, double scale, int imageWidth,
                            int imageHeight)
{
    const QRectF s = selection.normalized();
    const double minX = s.left() - displayFrame.left();
    const double minY = s.top() - displayFrame.top();
    const double maxX = minX + s.width();
    const double maxY = minY + s.height();
    const double x0 = std::floor(minX * scale);
    const double y0 = std::floor(minY * scale);
    const double x1 = std::ceil(maxX * scale);
    const double y1 = std::ceil(maxY * scale);
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return {};
    const double cx0 = std::max(x0, 0.0);
    const double cy0 = std::max(y0, 0.0);
    const double cx1 = std::min(x1, double(imageWidth));
    const double cy1 = std::min(y1, double(imageHeight));
    if (cx1 <= cx0 || cy1 <= cy0)
        return {};
    return QRect(int(cx0), int(cy0), int(cx1 - cx0), int(cy1 - cy0));
}

std::optional<QPoint> hoveredPixel(const QPointF& pixelPoint, const QSize& imageSize)
{
    if (imageSize.width() <= loupePixels - 1 || imageSize.height() <= loupePixels - 1)
        return std::nullopt;
    if (!std::isfinite(pixelPoint.x()) || !std::isfinite(pixelPoint.y()))
        return std::nullopt;
    const double x = std::clamp(std::round(pixelPoint.x()), 0.0, double(imageSize.width() - 1));
    const double y = std::clamp(std::round(pixelPoint.y()), 0.0, double(imageSize.height() - 1));
    return QPoint(int(x), int(y));
}

QRect loupeWindow(const QPoint& pixel, const QSize& imageSize)
{
    const int half = loupePixels / 2;
    const int cx = std::clamp(pixel.x(), half, std::max(half, imageSize.width() - 1 - half));
    const int cy = std::clamp(pixel.y(), half, std::max(half, imageSize.height() - 1 - half));
    return QRect(cx - half, cy - half, loupePixels, loupePixels);
}

QRectF loupeRect(const QPointF& pointer, const QRectF& bounds)
{
    double x = pointer.x() + loupeOffset;
    if (x + loupeSide > bounds.right())
        x = pointer.x() - loupeOffset - loupeSide;
    double y = pointer.y() + loupeOffset;
    if (y + loupeSide > bounds.bottom())
        y = pointer.y() - loupeOffset - loupeSide;
    return QRectF(x, y, loupeSide, loupeSide);
}

QPointF sizeLabelOrigin(const QRectF& selection, const QSizeF& labelSize, const QRectF& bounds)
{
    const double w = labelSize.width();
    const double h = labelSize.height();
    double x = selection.right() - w;
    if (x <= bounds.left() + labelMargin)
        x = bounds.left() + labelMargin;
    x = std::min(x, bounds.right() - w - labelMargin);
    double y;
    if (selection.top() - labelGap - h >= bounds.top())
        y = selection.top() - labelGap - h;
    else
        y = std::min(selection.bottom() + labelGap, bounds.bottom() - labelMargin - h);
    return {x, y};
}

QPointF readoutLabelOrigin(const QRectF& loupe, const QSizeF& labelSize, const QRectF& bounds)
{
    const double w = labelSize.width();
    const double h = labelSize.height();
    double x = loupe.center().x() - w / 2.0;
    if (x <= bounds.left() + labelMargin)
        x = bounds.left() + labelMargin;
    x = std::min(x, bounds.right() - w - labelMargin);
    double y = loupe.bottom() + labelGap;
    if (y + h > bounds.bottom())
        y = std::max(loupe.top() - labelGap - h, bounds.top() + labelMargin);
    return {x, y};
}

QString sizeText(const QRectF& selection, double scale)
{
    const auto w = static_cast<long long>(std::round(selection.width() * scale));
    const auto h = static_cast<long long>(std::round(selection.height() * scale));
    return QString::number(w) + QStringLiteral(" × ") + QString::number(h);
}

int colorByte(double component)
{
    if (std::isnan(component))
        return 0;
    return int(std::round(std::clamp(component, 0.0, 1.0) * 255.0));
}

QString hexColorText(const QColor& colour)
{
    if (!colour.isValid())
        return QStringLiteral("#000000");
    const QColor rgb = colour.toRgb();
    return QStringLiteral("#%1%2%3")
        .arg(colorByte(rgb.redF()), 2, 16, QLatin1Char('0'))
        .arg(colorByte(rgb.greenF()), 2, 16, QLatin1Char('0'))
        .arg(colorByte(rgb.blueF()), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString rgbColorText(const QColor& colour)
{
    if (!colour.isValid())
        return QString();
    const QColor rgb = colour.toRgb();
    return QStringLiteral("R %1  G %2  B %3")
        .arg(colorByte(rgb.redF()))
        .arg(colorByte(rgb.greenF()))
        .arg(colorByte(rgb.blueF()));
}

} // namespace SelectionGeometry
