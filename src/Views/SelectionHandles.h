#pragma once

#include <QPainter>
#include <QPointF>
#include <QRectF>

#include <optional>
#include <vector>

// The selection handles as drawn inside the annotation overlay (in the display
// coordinates of the unrotated image, so they turn with it) and as hit areas in the
// canvas viewport (which never turns). The handle list itself comes from the editor
// model; these functions only draw it and find the handle under the pointer.
struct SelectionHandlesLayer {
    // Dashed frames around selected freehand strokes, in display points.
    std::vector<QRectF> freehandFrames;
    // Every handle that is neither hovered nor being dragged, in list order.
    std::vector<QPointF> plainPoints;
    // At most one point each.
    std::vector<QPointF> hoveredPoints;
    std::vector<QPointF> activePoints;
};

namespace SelectionHandles {

// A handle is a dot of this radius; its hit area is a circle this wide.
inline constexpr qreal dotRadius = 8.0;
inline constexpr qreal hitDiameter = 24.0;

// Splits the handle points into the three drawn groups. `activeIndex` is the first
// handle whose kind is being dragged, `hoveredIndex` the handle under the pointer;
// an index outside the list draws nothing for its group. A handle that is both
// hovered and active is drawn in both groups (the active one on top).
SelectionHandlesLayer prepare(const std::vector<QPointF>& handlePoints, std::optional<int> activeIndex,
                              std::optional<int> hoveredIndex, std::vector<QRectF> freehandFrames);

// Draws, back to front: the freehand frames (blue dashed, each at least 1 x 1), the
// plain dots, the hovered dot (blue with a white rim) and the active dot (orange).
void paint(QPainter& painter, const SelectionHandlesLayer& layer);

// The square holding a handle's round hit area around its viewport point.
QRectF hitRect(QPointF viewportPoint);

// The handle whose round hit area holds `point`; later handles lie above earlier
// ones, so the last one that holds it wins. Nothing when no hit area holds it.
std::optional<int> handleAt(const std::vector<QPointF>& viewportPoints, QPointF point);

} // namespace SelectionHandles
