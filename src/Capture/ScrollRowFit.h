#pragma once

// Whether two frames show the same rows, pixel for pixel, at one offset: the check a
// place must pass where alike rows (a list of lines, cards at a fixed pitch) let the
// registration find another one, which only a narrow marker or a caption tells apart.
//
// A plain function on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"

namespace ScrollStitcher {

// True where every row of `next` above its bottom `bottomRows` that shows a row of
// `previous` above that frame's bottom `bottomRows`, moved up by `offset`, matches it
// exactly, at least kMinimumFitRows of them, and some of those hold an edge.
bool fitsRowForRow(const FramePixels& previous, const FramePixels& next, int offset, int bottomRows);

constexpr int kMinimumFitRows = 16;

// The rows left out at the bottom where a frame's footer is `footerPx` tall: a footer may
// grow as the page scrolls, so a few rows above it are left out too.
constexpr int footerWithMarginPx(int footerPx) { return footerPx > 0 ? footerPx + kMinimumFitRows : 0; }

} // namespace ScrollStitcher
