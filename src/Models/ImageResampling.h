#pragma once

#include "Platform/Image.h"

#include <optional>

// The largest side, in pixels, an image may be resampled to.
inline constexpr int maximumResampledSide = 20000;

// The source redrawn at exactly round(width) x round(height) pixels (halves
// away from zero, each side at least 1), at one pixel per point. Never fails:
// when a side would exceed 20000 pixels, a size is not a finite number, the
// source is empty or the bitmap cannot be allocated, the source itself is
// returned. Safe to call from any thread.
Image resampledImage(double width, double height, const Image& source);

namespace ImageResampling {
// The pixel side for a requested side: rounded half away from zero, at least 1;
// nothing when it is not finite or exceeds maximumResampledSide.
std::optional<int> pixelSide(double requested);
} // namespace ImageResampling
