#pragma once

// Columns side by side that Tesseract's layout read as one: where Lumetra has turned an
// application's sidebar ground and its main pane's to one white paper, the layout takes
// a sidebar entry and the main pane's line beside it for one line ("Inbox 12 Quarterly
// results are in"). The gutter between the two columns shows on the page as a gap far
// wider than a space that no line right above or below runs across, and beside which
// the right-hand column goes on where the left one has nothing (a wrapped line of the
// main pane). There the lines are cut in two, and the right-hand column is read after
// the left one.
//
// A table's rows keep their cells together: every row has text either side of the gap,
// and none runs on alone.

#include "OcrHelper/Readings.h"

#include <vector>

namespace ColumnGutters {

// `lines` as an engine read them, in its order; those cut in two keep their left piece
// where they were, and their right pieces come after all the lines, in order.
void splitAtGutters(std::vector<Readings::LineReading>& lines);

} // namespace ColumnGutters
