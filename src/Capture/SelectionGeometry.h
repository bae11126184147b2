#pragma once

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// The arithmetic of an area selection: from a dragged rectangle to image pixels, and
// where the loupe and the labels go. View rectangles are top-left origin, y down.
namespace SelectionGeometry {

inline constexpr double minimumSelectionSize = 10.0;
inline constexpr double loupeCellSize = 8.0;
inline constexpr int loupePixels = 11;  // the hovered pixel and 5 on each side
inline constexpr double loupeSide = loupeCellSize * loupePixels + 2.0;
inline constexpr double loupeOffset = 16.0;
inline constexpr double labelMargin = 4.0;
inline constexpr double labelGap = 6.0;

// The rectangle spanned by two points.
QRectF selectionFromPoints(const QPointF& a, const QPointF& b);

// At least 10 × 10 points (a NaN side counts as too small).
bool isLargeEnough(const QRectF& selection);

// The crop rectangle in the display's image: the global selection made local to the
// display, scaled, its edges rounded outward to whole pixels, and cut to the image.
// Empty when the selection misses the image.
QRect pixelRectForSelection(const QRectF& selection, const QRectF& displayFrame, double scale, int imageWidth,
                            int imageHeight);

// The pixel under a point given in (unrounded) image pixels: rounded, then kept inside
// the image. Absent when the image is too small for the loupe (10 pixels or fewer).
std::optional<QPoint> hoveredPixel(const QPointF& pixelPoint, const QSize& imageSize);

// The 11 × 11 pixel neighbourhood the loupe shows around pixel, moved inward at the
// image's edges so it always lies inside the image.
QRect loupeWindow(const QPoint& pixel, const QSize& imageSize);

// The loupe square: right of and below the pointer, flipped to the left near the right
// edge and above near the bottom edge.
QRectF loupeRect(const QPointF& pointer, const QRectF& bounds);

// Where the size label goes: above the selection's right end, or below it when there
// is no room above; kept 4 points inside the display.
QPointF sizeLabelOrigin(const QRectF& selection, const QSizeF& labelSize, const QRectF& bounds);

// Where the colour readout goes: centred under the loupe, or above it without room.
QPointF readoutLabelOrigin(const QRectF& loupe, const QSizeF& labelSize, const QRectF& bounds);

// "W × H" in pixels, each rounded half away from zero.
QString sizeText(const QRectF& selection, double scale);

// A colour component 0...1 as a byte, clamped, rounded half away from zero.
int colorByte(double component);
QString hexColorText(const QColor& colour);  // "#RRGGBB"
QString rgbColorText(const QColor& colour);  // "R 12  G 34  B 56"

} // namespace SelectionGeometry
