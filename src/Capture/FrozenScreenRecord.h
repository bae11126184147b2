#pragma once

#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QScreen>

#include <cstdint>

// One display frozen for an area selection: its picture at full pixel size, top-left
// origin, and where it sits among the displays.
struct FrozenScreenRecord {
    QPointer<QScreen> screen;
    std::uint32_t displayNumber = 0;
    QRectF frame;        // global, points
    double scale = 1.0;  // pixels per point at freeze time
    QImage image;        // device pixels
};
