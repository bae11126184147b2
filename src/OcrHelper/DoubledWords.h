#pragma once

// An engine that reads a line once as it stands and once inverted (the plain engine, as
// the command line does, on light text on a dark ground) may keep both readings of a
// word: "(2560x1440 | 2560x1440" for a field holding "2560x1440", the first reading
// taking in the field's frame. The two lie one over the other on the page, where words
// of a line stand side by side.

#include "OcrHelper/Readings.h"

#include <vector>

namespace DoubledWords {

// How much of the smaller of two words' boxes the larger must cover for them to be two
// readings of the same ink.
inline constexpr double sameInk = 0.8;

// Each line of `lines` without the words that lie over a surer word of the same line (at
// least DoubledWords::sameInk of the smaller box shared): of two readings of the same
// ink, the surer stands. A line that loses a word is written anew from the words left.
void dropDoubledWords(std::vector<Readings::LineReading>& lines);

} // namespace DoubledWords
