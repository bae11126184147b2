#pragma once

// The page's last scroll, that stopped short where the page ends in plain rows: the
// frame it stopped on shows the last few rows of content at its top and the page's
// plain end below them. The registration finds too few edges there to place it, yet
// those few rows fit the previous frame at one place only; the plain rows below fit
// anywhere and tell nothing, and the rows at the bottom that are the same in both
// frames where they are (a footer, the plain end) take no part.
//
// A plain function on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"

#include <optional>

namespace ScrollStitcher {

// Rows by which the content moved up from `previous` to `next` (the region the
// registration compares), where every row `next` shows of `previous` matches it, at
// least a few of them are not of one colour, and every row it brought in above the
// rows that stay put is of one colour; the offset that holds the most rows so, when no
// other holds as many; nothing otherwise.
std::optional<int> lastStepOffset(const FramePixels& previous, const FramePixels& next);

} // namespace ScrollStitcher
