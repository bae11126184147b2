#pragma once

// A table without ruling lines, or a price list ("Espresso          $2.50"), is to
// Tesseract's layout two columns side by side, far apart: the names come back, then the
// prices, after whatever text follows the table. Where a column of short cells holding
// figures stands to the right of other lines, each cell on the row of one of them, the
// rows are read whole: each cell after the line on its row, a blank between.
//
// It takes three figures or more in one column (each a cell of figures alone, one or a
// few side by side, half digits at least; their left or their right edges in line),
// each with a line on its row to its left: a paragraph beside a column of prose, or a
// terminal beside another, is no table. A table of words (a spec sheet's labels in two
// languages, then its values) takes four short cells or more, their left edges in line,
// each beside a short cell on its row. Once a column is one, its other cells (a heading,
// "Price", a value of several figures and units left-aligned with the rest) are joined to
// their rows too, and so is a piece between a row's start and one of its cells (a
// quantity in a column too sparse to count). The rows, and the figures of a column left
// without a row (its name lost), are written down the page. A column the layout read as
// one tall line (a spreadsheet's row numbers) is no row.

#include "OcrHelper/Readings.h"

#include <cstddef>
#include <vector>

namespace TableRows {

// For each of `lines` (by its place), the line written after it on its row, or -1; the
// cells so written are taken out of `order`. Lines `left` marks as taken already (a
// gutter's numbers) are neither cells nor rows.
std::vector<std::ptrdiff_t> joinRows(const std::vector<Readings::LineReading>& lines, int lineHeight, std::vector<size_t>& order,
                                     const std::vector<bool>& left);

// Takes the lines `written` after another out of `order`, and moves each row (a line and
// the chain `next` writes after it) to where the first of its lines stood in `order`.
void writeRowsWhereTheyBegin(std::vector<size_t>& order, const std::vector<std::ptrdiff_t>& next, const std::vector<bool>& written);

} // namespace TableRows
