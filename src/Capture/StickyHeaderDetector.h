#pragma once

#include "Capture/FramePixels.h"

namespace ScrollStitcher {

// Number of rows at the top that are the same in two frames of a scrolling region
// (a fixed header, once the content has moved), sampling about 20 columns left of the
// scrollbar; -1 when the frames show no differing row or are not both the same size,
// at least 81 wide and 41 high.
int detectStickyHeader(const FramePixels& previous, const FramePixels& next, int scrollbarPx);

// Whether the top `rows` rows of `next` are what `previous` showed `offset` rows lower,
// left of the scrollbar: rows that stayed put only because the content there looks the
// same at both places (a blank gap between lines), which no header proves.
bool topRowsFollowTheScroll(const FramePixels& previous, const FramePixels& next, int rows, int offset, int scrollbarPx);

} // namespace ScrollStitcher
