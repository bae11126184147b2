#pragma once

// An engine that reads a line once as it stands and once inverted (the plain engine, as
// the command line does, on light text on a dark ground) may keep both readings of a
// word: "(2560x1440 | 2560x1440" for a field holding "2560x1440", the first reading
// taking in the field's frame. So does each language's engine on the page as ink on
// paper, where a field's frame is drawn close around its value ("缩放 (175% 175%").
// The two lie one over the other on the page, where words of a line stand side by side.

#include "OcrHelper/Readings.h"

#include <vector>

namespace DoubledWords {

// How much of the smaller of two words' boxes the larger must cover for them to be two
// readings of the same ink.
inline constexpr double sameInk = 0.8;

// Each line of `lines` without the words that lie over a surer word of the same line (at
// least DoubledWords::sameInk of the smaller box shared): of two readings of the same
// ink, the surer stands. A line that loses a word is written anew from the words left,
// its characters those of the words left where each word's are told apart.
// With `Evidence::inkAndText`, only where the one word's text holds the other's too
// ("(175%" and "175%"): a field's frame may as well be taken for a word around other
// words, which then lie in it without being read twice.
enum class Evidence { ink, inkAndText };
void dropDoubledWords(std::vector<Readings::LineReading>& lines, Evidence evidence = Evidence::ink);

} // namespace DoubledWords
