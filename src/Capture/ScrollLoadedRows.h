#pragma once

#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"

#include <QImage>

#include <optional>

// A page that grows at its end (a feed that loads more rows): the plain band it ended
// with (its blank end, a "Loading more" prompt) turns into the rows that came. A frame
// that showed the band must not keep it between the rows.
namespace ScrollLoadedRows {

// Rows at the bottom of `previous` that `next`, showing the page `offset` rows further
// down, no longer shows as they were, counted from the top of that band to the frame's
// bottom (the `fixedBottom` rows below it, a footer, included); 0 when there is none.
// The band must have been plain in `previous` (one colour, but for a short line of
// text) and lie below the `fixedTop` rows of a fixed header, with rows above it that
// the frames share; the registration that found `offset` vouches for those.
int loadedEndRows(const FramePixels& previous, const FramePixels& next, int offset, int fixedTop, int fixedBottom);

// The first row of `next` from which it differs from `previous` when the page did not
// move between them and only such a band changed, above what stayed put at the bottom;
// -1 otherwise. Much of the view, everything above the band, must be unchanged. The
// `scrollbarPx` columns at the right edge, whose thumb moves when the page grows, take
// no part.
int loadedBandTop(const QImage& previous, const QImage& next, int scrollbarPx);

// The same for a `next` that shows the page `upPx` rows above where `previous` did: rows
// that came in place of the band, fewer than it was high, left the page shorter, and the
// view at its end moved up by the difference (at once, or once the next scroll found it
// past the end). The last `upPx` rows of `previous`, which `next` no longer reaches, must
// be plain. Compared below the `fixedTop` rows of a header and above the `fixedBottom`
// rows of a footer; the row of `next` from which it shows what came (the footer's top
// where the rows had come before `previous`), or -1.
int loadedBandTopAbove(const QImage& previous, const QImage& next, int upPx, int fixedTop, int fixedBottom,
                       int scrollbarPx);

// loadedEndRows for two whole frames, the `next` showing the page `offset` rows further
// down: read left of the scrollbar (of where one may be when `scrollbarPx` is 0, as its
// thumb moves when the page grows), with what stayed put at the bottom as the fixed rows.
int loadedEndRowsOf(const QImage& previous, const QImage& next, int offset, int fixedTop, int scrollbarPx);

// A page that moved while rows loaded in place of the plain band `previous` ends with:
// the whole frames fit no offset, as the band is rows now. The rows above the band (left
// of the scrollbar, below the `fixedTop` rows of a header) place `next` on their own;
// `cutRows`, from the band's top down, are left out of `previous` like a footer. Only
// an offset those rows alone settle, and no further than `expected` reaches.
struct AboveLoadedEnd {
    int offset = 0;
    int cutRows = 0;
};
std::optional<AboveLoadedEnd> placeAboveLoadedEnd(const QImage& previous, const QImage& next, int scrollbarPx,
                                                  int fixedTop, FrameRegistration::Expected expected);

} // namespace ScrollLoadedRows
