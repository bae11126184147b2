#pragma once

// A table cell's edge, or the stroke of a ruling beside a figure, comes back from the
// engines as a "«" glued to the figure ("«€277.37", "«43629"). A quotation opened with
// that sign closes with "»"; one that never closes on its line, right before a figure,
// is the edge.

#include <string>

namespace CellEdges {

// `line` without each "«" right before a digit or a currency sign that no "»" after it
// on the line closes.
std::string withoutEdgeMarks(const std::string& line);

} // namespace CellEdges
