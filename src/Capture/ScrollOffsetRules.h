#pragma once

// The arithmetic of judging a registered offset and of settling the fixed header's
// height from its measurements: plain functions, so the boundaries can be checked
// without frames.

#include "Capture/ScrollStitcher.h"

namespace ScrollStitcher {

// Smallest offset that counts as new content for a frame `frameHeight` rows high.
// Lenient (the first frame): 8, or 1/200 of the height above 1599 rows. Strict (auto-
// scroll ticks): 40, or 1/100 of the height above 3999 rows; but never more than half
// the step actually scrolled (and never under 8), or a selection under 160 pixels,
// scrolled a quarter of its height per tick, could never add a frame.
// At the page's end any move counts: 1.
int minimumOffset(int frameHeight, JudgeMode mode, int stepPx);

// How far an offset may stray from a whole number of auto-scroll steps: the larger
// of 60 and 6/10 of the step.
int stepPriorTolerance(int stepPx);

// Largest offset accepted: 9/10 of the height.
int maximumOffset(int frameHeight);

enum class OffsetVerdict {
    accept,
    noNewContent, // below the minimum, zero and negative offsets included
    offStepPrior, // not near what the ticks scrolled (strict mode with a step only)
    tooFar,       // above 9/10 of the height
};

// In strict mode with a step, the offset must lie within the step's tolerance of
// `expectedPx`, how far the clicks sent since the last kept frame scroll the page;
// where that is unknown (0), of a whole number of steps. Rows that look alike fit at
// many offsets, some of them wrong even where the frames share no row at all: only the
// scroll that was sent tells them apart.
OffsetVerdict judgeOffset(int ty, int frameHeight, int stepPx, JudgeMode mode, int expectedPx = 0);

// The detection state after one fixed-header measurement `measured` (rows identical
// at the top) on a frame `frameHeight` high. Under 10 rows or over 6/10 of the height
// ends detection with no header; the first sample is kept; a second within 5 rows of
// it settles on the smaller, one further off ends detection with no header.
DetectionState afterStickySample(DetectionState state, int measured, int frameHeight);

} // namespace ScrollStitcher
