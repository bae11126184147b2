#pragma once

// Vertical registration of two frames of a scrolling region: by how many whole rows
// did the content move between them? It answers exactly or not at all, because one
// row too many or too few shows as a doubled or missing line in the stitched image,
// while no answer only costs one rejected frame.
//
// Method: rows are summarised by band means and every offset that keeps a tenth of
// the frame (and 16 rows) in common is ranked on them (RowSignatures); the best
// offsets are then compared pixel by pixel over their whole overlap, a pixel matching
// when no channel differs by more than 12 levels. An offset is accepted when its
// overlap matches except for local changes (a caret, a hover highlight, a spinner, a
// clock: up to 5% of the compared area) and holds enough edges that match; and when
// no rival fits about as well: the runners-up, the next offsets, and every offset at
// which the rows the answer explains, in either frame, would fit. A rival that
// contradicts the frames no more than the answer does and explains a fair share of
// its edges makes the registration fail. Uniform areas, patterns repeating within the
// offset range and frames that do not overlap therefore fail instead of guessing.
//
// Rows at the top and bottom that are identical in both frames left of where a
// scrollbar may be (a fixed header or footer, beside which a thumb may move), and
// columns at the left and right that are (a fixed sidebar, blank margins), are left
// out before matching when enough changed rows and columns remain. An offset of 0
// must also hold on the lower part of the frames, away from any header and
// scrollbar, since a fixed part alone would say 0 for content too smooth to show its
// move.
//
// Rows that look alike but for a few columns (a log whose lines differ only in a
// timestamp, a list of equal entries with an index) fit offsets whole periods apart
// about equally, since those columns weigh little against the rest of the row. There
// the columns that differ between the rows decide, compared on their own; between
// offsets they cannot tell apart, the scroll just made does (`expected`).
//
// Plain functions on borrowed pixels: no state, deterministic, callable from any
// thread.

#include "Capture/FramePixels.h"

#include <optional>

namespace FrameRegistration {

// Narrower or lower frames are not registered.
constexpr int kMinimumSide = 50;

enum class Outcome {
    found,
    tooSmall,  // the frames are under kMinimumSide in one direction
    noMatch,   // no offset matches the content well enough
    ambiguous, // two offsets fit about equally well
};

struct Result {
    Outcome outcome = Outcome::noMatch;
    // found: rows by which the content moved up (the new rows at the bottom of the
    // new frame); negative when it moved down.
    int offset = 0;
    // ambiguous: the second offset that fits.
    int rivalOffset = 0;
    // found: the rivals were settled by the expected offset (see verticalOffset).
    bool settledByExpected = false;
    // found and settled so: how far from the offset taken the nearest one lies that fit
    // as well, and so how far off the offset is where the scroll was not what was sent.
    int alikeSpacing = 0;

    std::optional<int> value() const
    {
        return outcome == Outcome::found ? std::optional<int>(offset) : std::nullopt;
    }
};

// The offsets a scroll just made allows: near the distance it is known to move, or
// merely forward when only its direction is known.
struct Expected {
    int low = 1;
    int high = 0;

    bool allows(int t) const { return t >= low && t <= high; }
    // Within a tenth of `distance`, and 3 rows.
    static Expected near(int distance);
};

// Registers `next` against `previous`, both read from their top-left corner over the
// smaller of their widths and heights. Where several offsets fit equally well (rows
// that look alike), the one `expected` allows wins, provided exactly one does and it
// holds on its own; otherwise the answer stays ambiguous.
Result verticalOffset(const FramePixels& previous, const FramePixels& next,
                      std::optional<Expected> expected = std::nullopt);

// Rows at the bottom that stayed put while the content moved up by `offset` rows: a
// fixed footer or banner. They are identical in both frames (compared over their common
// width); but rows that are identical only because the content there looks the same at
// both places (rows that look alike, blank rows) are content: from the top of that run
// down, rows the previous frame shows as the new frame does `offset` rows higher are
// left to the content, up to the first that is not.
int fixedBottomRows(const FramePixels& previous, const FramePixels& next, int offset);

// Whether no pixel of the two frames differs by more than the comparison's tolerance.
bool framesMatch(const FramePixels& previous, const FramePixels& next);

// Two whole frames as they are compared: left of a scrollbar `scrollbarPx` wide and
// below a fixed header `stickyPx` high. The images the views read are held with them.
struct ComparedRegion {
    QImage previousImage, nextImage;
    FramePixels previous, next;
};
// Nothing when that region is under kMinimumSide in either direction.
std::optional<ComparedRegion> comparedRegion(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx);

} // namespace FrameRegistration
