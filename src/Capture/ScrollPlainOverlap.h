#pragma once

// A low selection inside a tall picture still to load shows little but the same grey row
// from top to bottom: every offset fits its rows, or the one edge they share is too
// little for the registration to go by, and the rows the move brings in are plain alike
// whatever the move. The rows carry nothing the scroll's length could change but their
// number, so the scroll the clicks sent places such a frame, provided every row the
// frames share agrees at that offset and a scrollbar's thumb, where one was measured,
// allows it. Blank rows (a page's plain end) never qualify.
//
// Whether the page really moved cannot be seen in such rows; the recording takes frames
// placed this way back unless a frame placed by its rows follows them.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"
#include "Capture/ScrollThumbTravel.h"

#include <QImage>

#include <optional>

namespace ScrollStitcher {

// Whether `next` may stand `askedPx` rows below `previous` by plain rows alone, left of
// where a scrollbar may be, below the top `stickyPx` rows and above the bottom `footerPx`
// rows of both frames (fixed bars): every row they share there agrees (or differs only
// where a placeholder became a picture), they share at least a sixteenth of that region
// and no fewer than the registration compares, and either the previous frame's shared
// rows change nowhere from one row to the next (a placeholder, a picture's gentle
// shading) though something stands out across them, or every row brought in is one row
// that something stands out across and no other offset near `askedPx` agrees.
bool sharesOnlyPlainRows(const FramePixels& previous, const FramePixels& next, int askedPx, int stickyPx, int footerPx);

// The same on two grabs, and where `thumb` holds a measured scrollbar whose thumb `next`
// shows, its move must allow `askedPx`.
bool placedOverPlainRows(const QImage& previous, const QImage& next, int askedPx, int stickyPx, int footerPx,
                         const std::optional<ThumbScale>& thumb);

} // namespace ScrollStitcher
