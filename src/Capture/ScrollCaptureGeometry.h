#pragma once

#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QtGlobal>

#include <optional>

// The arithmetic of a scrolling capture: from the dragged rectangle to the pixels each
// frame is read from, the scroll step, the length limit, the wheel clicks a tick
// posts, and where the hint bar and the recording outline may go without showing in
// the frames. Rectangles are top-left origin, y down.
namespace ScrollCaptureGeometry {

inline constexpr double minimumSelectionSide = 20.0; // points
inline constexpr int minimumStepPoints = 20;
inline constexpr int defaultMaxLength = 20000;
inline constexpr int minimumMaxLength = 2000;
inline constexpr int maximumMaxLength = 50000;
// The recording outline: its width and its distance from the selection (both points).
inline constexpr int outlineWidth = 3;
inline constexpr int outlineGap = 1;
// Between the hint bar and the outline, and between the bar and the screen's edge.
inline constexpr double hintGap = 10.0;
inline constexpr double hintScreenMargin = 16.0;

// At least 20 × 20 points.
bool isLargeEnough(const QRectF& selection);

// The scroll step in points a selection this many points high asks for: a quarter of
// its height, truncated, and never under 20.
int stepPoints(double selectionHeight);

// Points to pixels, truncated toward zero.
int truncatedPixels(double points, double scale);

// The root-window pixels a frame is read from: the display-local selection scaled, its
// origin rounded, its size truncated, on the display's pixels and cut to them.
QRect grabRect(const QRectF& localSelection, double scale, const QRect& displayPixels);

// The stored maximum length when it lies within 2000...50000, else 20000.
int maxScrollLength(qint64 stored);

// Wheel clicks per tick once a click is known to scroll `pixelsPerClick` in a view of
// `visibleRows` scrolled rows: as many whole clicks as fit in three fifths of it, at
// least one.
int clicksPerTick(int visibleRows, int pixelsPerClick);

// The recording outline around a selection (global points) as seen by a view covering
// `viewFrame`: a band outside the selection that never touches it. Empty when the
// band misses the view.
QRegion outlineRegion(const QRectF& selection, const QRectF& viewFrame);

// Where the hint bar goes (global points) so that it stays outside the selection and
// its outline: centred below it, else above it, else against the screen's side
// farthest from it; nothing when no such place exists.
std::optional<QRectF> hintBarFrame(const QRectF& screen, const QRectF& selection, const QSizeF& bar);

} // namespace ScrollCaptureGeometry
