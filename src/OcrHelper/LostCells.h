#pragma once

// A table's short cell (an invoice's quantity "1", "27") is often missed by the engine
// whose layout the rules' text follows, while the plain engine reads it surely as a line
// of its own. Put back as a line of its own, it lands below the table, far from its row;
// it belongs in its row, between the pieces left and right of it. So do the words of a
// row the plain engine read whole while the rules' text holds part of it only (a table's
// heading without its first and last cells, an item without its prices, a deleted row of
// a diff without its "-", lost to the row's colour): each goes where it stands on the row.

#include "OcrHelper/LineMerge.h"
#include "OcrHelper/Readings.h"

#include <vector>

namespace LostCells {

// `lines` with each line of `plain` of a few words, read surely (Thresholds::lostLine), that none of the
// lines' pieces touches and that stands on the row of a line's piece, no taller than two
// of its rows, written into that line between the pieces left and right of it (a blank
// either side), its box among the line's.
// Then, of each line of `plain` that a line's piece touches, each run of its words read
// surely that no word the rules' text was read from lies over (LineMerge::PlacedLine::words),
// saying something (a letter, a digit, an ideograph, or a lone "+" or "-" no wider than a
// glyph): written into the piece that holds it, after the words read left of it, or else
// beside its row's pieces as a cell is. A word with a digit the plain engine read less
// surely (Thresholds::unrivalledFaintWord) counts as sure where none of `others` (the
// single-language engines' readings) read anything at its place.
std::vector<LineMerge::PlacedLine> withLostCells(const std::vector<LineMerge::PlacedLine>& lines, const Readings::EngineReading& plain,
                                                 const std::vector<Readings::EngineReading>& others = {});

} // namespace LostCells
