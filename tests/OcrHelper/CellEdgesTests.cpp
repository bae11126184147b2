// A "«" glued before a figure, with nothing to close it, is a cell's edge and goes; a
// quotation that closes, and the sign elsewhere, stay.
#include "OcrHelper/CellEdges.h"

#include <gtest/gtest.h>

namespace {

TEST(CellEdges, AnUnclosedMarkBeforeAFigureIsTheCellsEdge)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        {"Licence, 5 seats 1 \u20AC277.37 7% \u00AB\u20AC277.37", "Licence, 5 seats 1 \u20AC277.37 7% \u20AC277.37"},
        {"Cloud 20 \u00AB20 \u00A3290.87 \u00AB\u00A35,817.40", "Cloud 20 20 \u00A3290.87 \u00A35,817.40"},
        {"PID \u00AB43629 ran", "PID 43629 ran"},
        // Closed on the line, or before no figure: a quotation.
        {"the \u00AB42\u00BB case", "the \u00AB42\u00BB case"},
        {"\u00AB1984\u00BB and \u00AB2001\u00BB", "\u00AB1984\u00BB and \u00AB2001\u00BB"},
        {"said \u00AByes", "said \u00AByes"},
        {"total \u00AB", "total \u00AB"},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(CellEdges::withoutEdgeMarks(line), expected) << line;
}

} // namespace
