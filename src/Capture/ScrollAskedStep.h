#pragma once

// Cards at a fixed pitch, their pictures still grey: between two frames the offsets a
// whole pitch apart fit the rows equally well, and often the one a pitch back, where
// the boxes' straight edges line up, fits best of all. The clicks just sent bound how
// far the page went; inside that bound only the true offset keeps the few rows that
// tell cards apart (a caption, a row's own strip) where they were.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"

#include <optional>

namespace ScrollStitcher {

// The one offset allowed by `expected` at which no row of `next` contradicts the row of
// `previous` it lands on (rows that differ only where a placeholder turned into a
// picture do not), left of where a scrollbar may be; provided the rows that match there
// hold edges, every other offset allowed is contradicted by some row, and the frames do
// not also fit unmoved. Nothing otherwise. `previous` and `next` are the region the
// registration compares, of equal size.
// The rows of two frames a scroll may have moved, left of where a scrollbar may be (its
// thumb moves in every row) and between rows the same in both at the top and bottom that
// hold lines (a fixed bar: at any offset but 0 it would contradict the content; plain
// rows the same in both, inside a grey picture, may as well be content and stay).
// Nothing where the frames differ in size or too little is left.
struct RowsBetweenBars {
    FramePixels previous;
    FramePixels next;
    int width = 0;
    int height = 0;
};
std::optional<RowsBetweenBars> rowsBetweenFixedBars(const FramePixels& previous, const FramePixels& next);

std::optional<int> placeWithinAskedScroll(const FramePixels& previous, const FramePixels& next,
                                          const FrameRegistration::Expected& expected);

} // namespace ScrollStitcher
