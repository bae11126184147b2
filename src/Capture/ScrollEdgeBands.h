#pragma once

// Bands at the top and bottom of a scrolled view that are not the page: a pager's
// prompt line that reads the file's name, then ":", then "(END)"; a table header that
// sticks to the top only once the page has scrolled it there. They do not move with
// the content, yet they change between frames, so they are neither content nor a
// fixed header or footer that stays identical. Registered with the rest, they either
// pass as a local change and are stitched in between the lines they cover, or they
// spoil the match so much that rows which look alike fit as well as the true offset
// and every frame is refused.
//
// Given the offset the rest of the frames agree on, a band is the run of rows at an
// edge that does not show the content there: at the top of the new frame (covering
// rows the previous frame showed) or at the bottom of the previous one (covering rows
// the new frame shows further up). Leaving those rows out is always safe for the
// stitched image: the new frame's top rows are never drawn, and the previous frame's
// bottom rows are drawn from the new frame instead, where the content shows.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"

#include <algorithm>
#include <optional>

namespace ScrollStitcher {

struct EdgeBands {
    int top = 0;    // rows at the top of the new frame
    int bottom = 0; // rows at the bottom of the previous frame

    bool operator==(const EdgeBands&) const = default;
};

// The bands of two frames of equal size whose content moved up by `offset` rows
// (above 0): at each edge, the rows from the edge to the last one that differs from
// the content the other frame shows there, where that run starts near the edge and
// ends before a gap of matching rows. A band over a quarter of the height is none (so
// much that differs is no band but a wrong offset).
EdgeBands edgeBands(const FramePixels& previous, const FramePixels& next, int offset);

// The bands a fixed header or footer leaves that changes height while the page scrolls,
// of two frames whose content moved up by `offset` rows: at each edge, the rows up to
// the last one within a quarter of the height that differs from the content the other
// frame shows there, where the rows right after it match. Such a bar is drawn in one
// colour over most of its height, and its plain rows match the other frame's plain
// rows wherever the bar covers both: they neither start nor end the band there.
EdgeBands barBands(const FramePixels& previous, const FramePixels& next, int offset);

// The same, where rows that differ only where pictures loaded (a placeholder in one
// frame shown loaded in the other) count as matching: the band of a header that changed
// height above cards whose pictures loaded meanwhile ends where the cards begin.
EdgeBands barBandsBesidePlaceholders(const FramePixels& previous, const FramePixels& next, int offset);

struct BandedOffset {
    int offset = 0;
    EdgeBands bands;
    bool settledByExpected = false;
    int alikeSpacing = 0; // as FrameRegistration::Result's
};

// For frames the registration could not place (no offset fits well enough, or several
// fit about equally well, or the one that fits best is one `expected` does not allow):
// those offsets and the few that the rows rank best are tried again without the bands
// each leaves at the edges. One stands when the rest alone
// registers to that same offset with no rival, so the bands were what blurred it.
// Where the rows beside the bands still fit a place `expected` does not allow as well,
// the one no row contradicts within it stands, and so it does where the rows above a
// band at the bottom alone hold too few edges to register, or fit no offset (the offset
// the scroll asked for is tried then as well); where a few columns change by themselves
// and keep a band from ending, the bands are read beside them.
// Nothing otherwise, and nothing for offsets `expected` does not allow. `previous` and
// `next` are the region the registration compares (left of the scrollbar, below a fixed
// header); bands are looked for in its leftmost `bandWidth` columns (left of where a
// scrollbar not yet found may move its thumb).
std::optional<BandedOffset> registerBesideBands(const FramePixels& previous, const FramePixels& next,
                                                std::optional<FrameRegistration::Expected> expected, int bandWidth);
// The same on whole frames: the region left of `scrollbarPx` and below `stickyPx`; with
// no scrollbar found, bands are looked for left of where one may be.
std::optional<BandedOffset> registerBesideBands(const QImage& previous, const QImage& next, int scrollbarPx,
                                                int stickyPx, std::optional<FrameRegistration::Expected> expected);

// Runs `registerOn(previous, next, bandWidth)` on the region of whole frames that the
// registration compares, with the columns bands are read in: left of `scrollbarPx`, or of
// where a scrollbar not yet found may be.
template <typename Register>
std::optional<BandedOffset> onComparedRegion(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx,
                                             Register registerOn)
{
    const auto region = FrameRegistration::comparedRegion(previous, next, scrollbarPx, stickyPx);
    if (!region)
        return std::nullopt;
    const int w = region->previous.width;
    return registerOn(region->previous, region->next, scrollbarPx > 0 ? w : w - std::min(w / 8, 50));
}

} // namespace ScrollStitcher
