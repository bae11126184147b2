#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include <optional>

// A captured window set on a larger transparent canvas with a soft drop shadow below it.
// The design's sizes are in points; at a screen's scale they become pixels.
namespace ShadowCanvas {

inline constexpr double marginPoints = 40.0;
inline constexpr double blurPoints = 28.0;   // a blur in the usual drawing sense: about 2 sigma
inline constexpr double offsetPoints = 8.0;  // downwards
inline constexpr double shadowOpacity = 0.55;

struct Geometry {
    int margin = 0;     // whole pixels on every side
    QSize canvasSize;   // the image plus the margin on every side
    QPoint imageOrigin; // (margin, margin)
    double blur = 0.0;  // pixels
    int offsetY = 0;    // pixels, downwards
};

// One rounded margin sizes the canvas and places the image, so no seam opens between
// the image and the canvas edge at fractional scales. A scale that is not a positive
// number counts as 1.
Geometry geometry(const QSize& imagePixels, double scale);

// The canvas (premultiplied ARGB); absent when it cannot be allocated. Everything
// outside the window and its shadow is fully transparent.
std::optional<QImage> makeShadowCanvas(const QImage& image, double scale);

} // namespace ShadowCanvas
