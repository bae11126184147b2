#pragma once

#include "Capture/FramePixels.h"

namespace ScrollStitcher {

// Width in pixels of a scrollbar at the right edge of two frames of a scrolling
// region, found as the narrow run of columns at the edge whose pixels change between
// the frames (the thumb moves) next to columns that do not; 0 for none. Frames must be
// the same size, at least 81 wide and 41 high. The result includes 4 pixels of margin.
int detectScrollbarWidth(const FramePixels& previous, const FramePixels& next);

} // namespace ScrollStitcher
