#include "Capture/ScrollCaptureGeometry.h"

#include <algorithm>
#include <cmath>

namespace ScrollCaptureGeometry {

namespace {

// The selection with its outline: what the hint bar must keep clear of.
QRectF outlinedSelection(const QRectF& selection)
{
    const double reach = outlineGap + outlineWidth;
    return selection.adjusted(-reach, -reach, reach, reach);
}

} // namespace

bool isLargeEnough(const QRectF& selection)
{
    return selection.width() >= minimumSelectionSide && selection.height() >= minimumSelectionSide;
}

int stepPoints(double selectionHeight)
{
    const double quarter = std::trunc(selectionHeight * 0.25);
    return std::isfinite(quarter) ? std::max(minimumStepPoints, int(quarter)) : minimumStepPoints;
}

int truncatedPixels(double points, double scale)
{
    const double pixels = std::trunc(points * scale);
    return std::isfinite(pixels) ? int(std::clamp(pixels, -1e9, 1e9)) : 0;
}

QRect grabRect(const QRectF& localSelection, double scale, const QRect& displayPixels)
{
    const QRect scaled(int(std::lround(localSelection.x() * scale)), int(std::lround(localSelection.y() * scale)),
                       truncatedPixels(localSelection.width(), scale), truncatedPixels(localSelection.height(), scale));
    return scaled.translated(displayPixels.topLeft()).intersected(displayPixels);
}

int maxScrollLength(qint64 stored)
{
    return stored >= minimumMaxLength && stored <= maximumMaxLength ? int(stored) : defaultMaxLength;
}

int clicksPerTick(int visibleRows, int pixelsPerClick)
{
    if (pixelsPerClick <= 0)
        return 1;
    return std::max(1, visibleRows * 3 / 5 / pixelsPerClick);
}

QRegion outlineRegion(const QRectF& selection, const QRectF& viewFrame)
{
    // Whole points around the selection, so the band's inner edge stays off it.
    const QRect inner = selection.translated(-viewFrame.topLeft()).toAlignedRect().adjusted(-outlineGap, -outlineGap,
                                                                                              outlineGap, outlineGap);
    const QRect outer = inner.adjusted(-outlineWidth, -outlineWidth, outlineWidth, outlineWidth);
    const QRect view(QPoint(0, 0), viewFrame.size().toSize());
    return (QRegion(outer) - QRegion(inner)).intersected(view);
}

std::optional<QRectF> hintBarFrame(const QRectF& screen, const QRectF& selection, const QSizeF& bar)
{
    const QRectF keepOut = outlinedSelection(selection);
    const QRectF usable = screen.adjusted(hintScreenMargin, hintScreenMargin, -hintScreenMargin, -hintScreenMargin);
    if (bar.width() > usable.width() || bar.height() > usable.height())
        return std::nullopt;
    const double centredX
        = std::clamp(keepOut.center().x() - bar.width() / 2, usable.left(), usable.right() - bar.width());
    const QRectF candidates[] = {
        QRectF(QPointF(centredX, keepOut.bottom() + hintGap), bar),
        QRectF(QPointF(centredX, keepOut.top() - hintGap - bar.height()), bar),
        // The side with more room, at the top of the screen as the bar usually sits.
        keepOut.left() - usable.left() >= usable.right() - keepOut.right()
            ? QRectF(QPointF(usable.left(), usable.top()), bar)
            : QRectF(QPointF(usable.right() - bar.width(), usable.top()), bar),
    };
    for (const QRectF& candidate : candidates) {
        if (usable.contains(candidate) && !candidate.intersects(keepOut))
            return candidate;
    }
    return std::nullopt;
}

} // namespace ScrollCaptureGeometry
