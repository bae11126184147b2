#pragma once

// When the Latin engine's reading of a word with digits takes the place of the plain
// engine's. The plain engine reads the image itself, the Latin engine the page as ink on
// paper: where the Latin engine is sure of another reading, or reads as many characters
// fairly surely, two readings of two pictures disagree and the plain engine's confidence
// alone does not settle it (Thresholds::latinOverrules, Thresholds::latinOverrulesAlike).
// A number the plain engine read very surely (Thresholds::heldNumber) is the exception:
// where the Latin engine only reads other digits for some of its digits, less surely, or
// reads it with digits left out, it has guessed at the same glyphs, and the surer guess,
// or the one that saw them all, stands; one it read surely (Thresholds::sureNumber) stands
// against its own digits with a sign left out ("1943" for "19:43"). So does a word a Chinese model read the very same,
// at least as surely as the Latin engine read its other word: two engines reading two
// pictures alike outweigh one, but for the misreadings the Chinese models share with the
// plain engine, which holds them (a "9" for a "0", a letter's case, digits or a sign for a
// currency sign, a percent sign or a colon). And so does a number whose decimal point the
// Latin engine read as a comma, leaving no number's shape ("-24,3%" for "-24.3%").

#include <string>

namespace LatinOverrule {

// Whether a Chinese model's reading of `plain` itself at `backedAt` (below 0: none read
// it) outweighs the Latin engine's `latin` read at `latinConfidence`: it is at least as
// sure, and `plain` is none of the misreadings the Chinese models share with the plain
// engine.
bool backedAgainst(const std::u32string& plain, const std::u32string& latin, float latinConfidence, float backedAt);

// Whether `latin` is `plain` with one or more of its digits left out, and nothing else
// changed ("7,489.50" for "77,489.50").
bool digitsLeftOut(const std::u32string& plain, const std::u32string& latin);

// Whether `latin` is `plain`, a number in a number's shape, with the minus, plus or
// currency signs before it left out, and nothing else changed ("72%" for "-72%", "46.80"
// for "\u00A546.80").
bool signsLeftOut(const std::u32string& plain, const std::u32string& latin);

// Whether `latin`, read at `latinConfidence`, takes the place of `plain` (a word with a
// digit, without the brackets and stops around it) read at `plainConfidence`. `number`:
// whether the plain word is in a number's shape (PlainFloor::wellFormedNumber).
// `backedAt`: how surely a Chinese model read `plain` itself at its place; below 0 where
// none did.
bool overrules(const std::u32string& plain, float plainConfidence, bool number, const std::u32string& latin, float latinConfidence,
               float backedAt = -1.0f);

} // namespace LatinOverrule
