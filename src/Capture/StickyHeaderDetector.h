#pragma once

#include "Capture/FramePixels.h"

namespace ScrollStitcher {

// Number of rows at the top that are the same in two frames of a scrolling region
// (a fixed header, once the content has moved), sampling about 20 columns left of the
// scrollbar; -1 when the frames show no differing row or are not both the same size,
// at least 81 wide and 41 high.
int detectStickyHeader(const FramePixels& previous, const FramePixels& next, int scrollbarPx);

} // namespace ScrollStitcher
