#pragma once

#include "Platform/WindowList.h"

#include <QList>
#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

// What the window picker works out from its candidate list: the window under the
// pointer and the pixel size it shows beside the highlight.
namespace WindowPickerGeometry {

// The first candidate (the list is front-most first) whose frame holds point (global
// points): of overlapping windows the front one wins. Absent over no candidate.
std::optional<qsizetype> hitWindow(const QList<WindowRecord>& windows, const QPointF& point);

// A frame's size in pixels at scale, each side rounded half away from zero.
QSize pixelSize(const QSizeF& frame, double scale);

// The label beside the highlight: "W × H" in pixels.
QString sizeLabel(const QSizeF& frame, double scale);

// The hover line of the diagnostics: points, scale, pixels, owner and title.
QString hoverLogLine(const WindowRecord& window, double scale);

} // namespace WindowPickerGeometry
