#pragma once

#include <QImage>
#include <QList>
#include <QRect>

#include <array>
#include <vector>

// A soft shadow by our own separable blur: three box passes per axis, which
// approximate a Gaussian closely and cost the same whatever the radius. The blur
// is worked out only for the regions asked for, so a large card whose middle is
// covered anyway costs only the band around its edge.
namespace ShadowBlur {

// Box radii of the three passes for a Gaussian of standard deviation sigma.
std::array<int, 3> boxRadii(double sigma);

// How far one blurred pixel reaches: the sum of the three radii.
int reach(double sigma);

// The blurred coverage (0...1) of `mask` (Format_Alpha8) over `region`, row by
// row (region.width() values a row). Pixels outside the mask count as empty.
std::vector<float> blurredRegion(const QImage& mask, const QRect& region, double sigma);

// The blurred coverage (0...1) of a run of ones from `start` up to `end` on a line of
// `length` positions, everything else empty. A blurred rectangle is the product of two
// such profiles, one per axis, which is far cheaper than blurring its mask.
std::vector<float> blurredSpan(int length, int start, int end, double sigma);

// The parts of `area` outside `hole` (at most four rectangles; `area` itself
// when the hole is empty or does not meet it).
QList<QRect> regionsAround(const QRect& area, const QRect& hole);

// Darkens `canvas` (Format_ARGB32_Premultiplied) with a black shadow of the
// given opacity whose shape is `mask` blurred by sigma, only within `regions`
// (canvas coordinates). The mask's top-left pixel lies at `maskOrigin` on the
// canvas; a mask larger than the canvas lets a shape that runs past the canvas's
// edge cast its shadow right up to that edge.
void compositeShadow(QImage& canvas, const QImage& mask, const QList<QRect>& regions, double sigma, double opacity,
                     QPoint maskOrigin = QPoint(0, 0));

} // namespace ShadowBlur
