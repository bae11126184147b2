#pragma once

// Whether a frame taken after a scroll still shows rows the frame before it showed,
// where the registration could not say by how much the content moved. A header or
// footer that changed height, a picture that loaded, a region that animates, or rows
// that repeat at a fixed pitch keep any one offset from standing out; a band of rows
// that shows, pixel for pixel, further down in the frame before still proves that the
// content did not leave the view. Only content that really left it (a scroll larger
// than the view) shows no such band.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"

#include <vector>

class QImage;

namespace ScrollStitcher {

// Bands of `kSharedBandRows` rows of `next` that hold detail (rows unlike their
// neighbours, not one flat colour) and show in `previous` further down, by at least
// `minimumShift` rows, over one of the eighths of the width; frames of different sizes
// share nothing.
constexpr int kSharedBandRows = 16;

// The shifts such bands show at, in the order found, at most `maxCount` of them.
std::vector<int> sharedRowShifts(const FramePixels& previous, const FramePixels& next, int minimumShift, int maxCount);

enum class RowsShown {
    shown,   // a band of the upper half of `next` shows in `previous`
    none,    // bands there hold detail, and none shows
    unknown, // nothing there holds detail to tell by (plain placeholders, flat areas)
};
// Whether the rows a scroll of at most half the frame would have left in view show.
RowsShown rowsShown(const FramePixels& previous, const FramePixels& next, int minimumShift);
// The same on whole frames, left of the scrollbar (or of where one may be, when none
// was found) and below the fixed header.
RowsShown rowsShown(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx);

} // namespace ScrollStitcher
