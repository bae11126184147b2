#pragma once

// A row the layout cut apart at a wide run of blanks (a listing's "ls -l": the mode,
// links and owners, then far to the right the size, date and name) comes back as two
// lines side by side, which read like two columns: all the left pieces, then all the
// right ones. What tells such a run of blanks from the space between two columns is
// the lines around it: between columns nothing is written, while a row of the listing
// just above and one just below run on across the same blanks. Two pieces of a row
// are one line, left to right, a blank between, where lines above and below them,
// within a few rows, each cross the whole of the space between the pieces; or where a
// table's ruling lines run across it right above and right below them (a bordered
// table's label, its English name and its value, which the layout read as columns).

#include "OcrHelper/Readings.h"
#include "OcrHelper/RulingLines.h"

#include <cstddef>
#include <vector>

namespace BridgedRows {

// Joins pieces of a row: for each line (by its place) whose row goes on in another
// line to its right, `after` is set to that line, which is taken out of `order` (the
// row is written where the first of its pieces stood). Lines `taken` marks (a gutter's
// numbers, a table's cells), and lines `after` already continues or is continued by,
// are left as they are.
void join(const std::vector<Readings::LineReading>& lines, int lineHeight, std::vector<size_t>& order,
          std::vector<std::ptrdiff_t>& after, const std::vector<bool>& taken, const RulingLines::Lines& rulings = {});

} // namespace BridgedRows
