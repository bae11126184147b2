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

// The same last scroll, of at most `maxStep` rows, where something changed meanwhile by
// itself (an animation fixed in the view over the rows, a picture that loaded): the one
// offset at which the rows `next` shows of `previous` match but for changes in one box
// or a few runs of rows (as differOnlyLocally tells them) of at most a fifth of their
// area, and hold detail on at least an eighth of them. The rows at the bottom that stay where they were (a footer) take no
// part. Nothing where the page stood still, or no offset or several hold.
std::optional<int> lastStepBesideLocalChanges(const FramePixels& previous, const FramePixels& next, int maxStep);

} // namespace ScrollStitcher
