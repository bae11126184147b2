#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// Where pin windows open and how they zoom: plain functions over screen rectangles in
// global coordinates (top left origin, y down, logical pixels), so they are tested
// without a desktop.
namespace PinGeometry {

// One screen: its whole frame and the part windows may use (less panels and docks).
struct ScreenArea {
    QRectF frame;
    QRectF visibleFrame;
};

// The first screen, in the given order, whose frame holds the point.
std::optional<ScreenArea> screenContaining(const QList<ScreenArea>& screens, QPointF point);

// The rectangle moved into the visible frame of the screen holding its centre, its size
// kept; a rectangle larger than that frame ends with its right and top edges on the
// frame's. Nothing when no screen holds the centre.
std::optional<QRectF> clampToVisibleFrame(const QList<ScreenArea>& screens, const QRectF& rect);

// The frame of a new pin of `size` (`margin` on every side included). It takes the area
// of the last closed pin (`saved`), keeps its own aspect ratio and is centred where that
// pin was, moved onto a visible screen; without a usable saved frame, its top left corner
// lies 16 points right of and below the pointer, pushed inside the visible frame of the
// pointer's screen (else of `mainScreen`). A pin larger than that visible frame is scaled
// down, its picture's aspect kept, until it fits.
QRectF initialPinFrame(QSizeF size, const std::optional<QRectF>& saved, QPointF pointer,
                       const QList<ScreenArea>& screens, const std::optional<ScreenArea>& mainScreen,
                       double margin = 0.0);

// `size` (margins included) scaled down, the picture inside the margins keeping its
// aspect ratio, so that it fits `visible`; unchanged when it fits already.
QSizeF fittedSize(QSizeF size, double margin, QSizeF visible);

// The frame of a pin zoomed to `size` around the centre of `frame`, that centre first
// brought into `visible` (the work area of the pin's screen); a frame that fits is moved
// wholly inside it.
QRectF zoomedFrame(const QRectF& frame, QSizeF size, const QRectF& visible);

// The stored form of a frame, "{{x, y}, {w, h}}", and its reading: nothing when the text
// is not of that form or the frame is 10 points or less wide or high.
QString frameText(const QRectF& frame);
std::optional<QRectF> usableFrameFromText(const QString& text);

// One wheel step of a pin showing `displaySize`: 5 % larger for a step up, 5 % smaller
// for a step down, each side kept within 80 and `limit` while the aspect ratio stays.
// Nothing when the wheel has no vertical movement or the size would not change.
inline constexpr double zoomStep = 1.05;
inline constexpr double minimumSide = 80.0;
std::optional<QSizeF> zoomedDisplaySize(QSizeF displaySize, double verticalDelta, QSizeF limit);

} // namespace PinGeometry
