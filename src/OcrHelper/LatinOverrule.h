#pragma once

// When the Latin engine's reading of a word with digits takes the place of the plain
// engine's. The plain engine reads the image itself, the Latin engine the page as ink on
// paper: where the Latin engine is sure of another reading, or reads as many characters
// fairly surely, two readings of two pictures disagree and the plain engine's confidence
// alone does not settle it (Thresholds::latinOverrules, Thresholds::latinOverrulesAlike).
// A number the plain engine read very surely (Thresholds::heldNumber) is the exception:
// where the Latin engine only reads other digits for some of its digits, less surely, or
// reads it with digits left out, it has guessed at the same glyphs, and the surer guess,
// or the one that saw them all, stands.

#include <string>

namespace LatinOverrule {

// Whether `latin`, read at `latinConfidence`, takes the place of `plain` (a word with a
// digit, without the brackets and stops around it) read at `plainConfidence`. `number`:
// whether the plain word is in a number's shape (PlainFloor::wellFormedNumber).
bool overrules(const std::u32string& plain, float plainConfidence, bool number, const std::u32string& latin, float latinConfidence);

} // namespace LatinOverrule
