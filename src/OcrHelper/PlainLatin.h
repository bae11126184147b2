#pragma once

// A Chinese model reads whatever ink it is given as ideographs: a terminal's "0%" as
// "人歇", a column of one-digit counts, which the layout of the page as ink on paper takes
// for one tall line, as "wow由wo已人". Two ideographs make a Han line (LineMerge.h), and
// the floor (PlainFloor.h) holds numbers, not script. Where the plain engine, which holds
// the Chinese models too, read all the ink of such a cell of a line as Latin words, was
// surer of each than the Chinese model was of the ideographs over it and sure of it
// outright or read as the Latin engine read it, and the other Chinese model did not read
// ideographs there as well, the cell is what the plain engine read there. Its reading
// of a heading's ideographs as Latin letters, which both Chinese models read as those
// ideographs, is no reason.

#include "OcrHelper/LineMerge.h"
#include "OcrHelper/Readings.h"

#include <string>
#include <vector>

namespace PlainLatin {

// `line`'s text with each of its cells (LineMerge::PlacedLine::boxes) that holds
// ideographs the Chinese model read less surely than Thresholds::sureIdeograph and no
// other Chinese model (`scripts`, their readings) read as ideographs too, where
// every word of the cell lies over words of `plain` with no ideograph and with a letter
// or a digit, each read at Thresholds::plainLatinPlace or more and surer than the
// ideographs over it, and each read surely (Thresholds::sureNumber) or, with digits,
// read the same by the Latin engine (`latin`, its lines) from Thresholds::agreedNumber
// on: written as `plain`'s words there, in its order. The blanks around the cell stay.
// Unchanged where `line` says nothing of its words.
std::string withPlainLatin(const LineMerge::PlacedLine& line, const Readings::EngineReading& plain,
                           const std::vector<const Readings::LineReading*>& latin = {},
                           const std::vector<Readings::EngineReading>& scripts = {});

} // namespace PlainLatin
