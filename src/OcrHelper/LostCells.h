#pragma once

// A table's short cell (an invoice's quantity "1", "27") is often missed by the engine
// whose layout the rules' text follows, while the plain engine reads it surely as a line
// of its own. Put back as a line of its own, it lands below the table, far from its row;
// it belongs in its row, between the pieces left and right of it.

#include "OcrHelper/LineMerge.h"
#include "OcrHelper/Readings.h"

#include <vector>

namespace LostCells {

// `lines` with each line of `plain` of a few words, read surely (Thresholds::lostLine), that none of the
// lines' pieces touches and that stands on the row of a line's piece, no taller than two
// of its rows, written into that line between the pieces left and right of it (a blank
// either side), its box among the line's.
std::vector<LineMerge::PlacedLine> withLostCells(const std::vector<LineMerge::PlacedLine>& lines, const Readings::EngineReading& plain);

} // namespace LostCells
