// A short cell the plain engine alone read surely goes into its table row, between the
// pieces left and right of it, not below the table.
#include "OcrHelper/PlainFloor.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The rules' line made of `pieces`, each written with a blank before the next.
LineMerge::PlacedLine placed(const std::vector<Readings::LineReading>& pieces)
{
    LineMerge::PlacedLine line;
    for (const Readings::LineReading& piece : pieces) {
        if (!line.text.empty())
            line.text += ' ';
        line.starts.push_back(line.text.size());
        line.text += piece.text;
        line.boxes.push_back(piece.box);
    }
    return line;
}

TEST(LostCells, ACellOnlyThePlainReadingHasGoesIntoItsRow)
{
    struct Case {
        const char* what;
        std::vector<std::vector<Readings::LineReading>> rows; // the rules' lines, piece by piece
        std::vector<Readings::LineReading> lost;              // read by the plain engine alone
        std::string expected;
    };
    const std::vector<Case> cases{
        {"a quantity between the name and the prices",
         {{lineRead("Consulting hours", {95, 95}, 0, 0), lineRead("£24.58 20%", {95, 95}, 0, 300), lineRead("£663.66", {95}, 0, 450)},
          {lineRead("Training workshop", {95, 95}, 40, 0), lineRead("£234.86 19%", {95, 95}, 40, 300)}},
         {lineRead("27", {96}, 0, 200), lineRead("1", {95}, 40, 210)},
         "Consulting hours 27 £24.58 20% £663.66\nTraining workshop 1 £234.86 19%\n"},
        {"an amount after the row's last piece",
         {{lineRead("Subtotal", {95}, 0, 0)}, {lineRead("Total", {95}, 40, 0)}},
         {lineRead("£12.00", {92}, 0, 300)},
         "Subtotal £12.00\nTotal\n"},
        {"a line of its own between two rows stays one",
         {{lineRead("Subtotal", {95}, 0, 0)}, {lineRead("Total", {95}, 80, 0)}},
         {lineRead("£12.00", {92}, 40, 300)},
         "Subtotal\nTotal\n£12.00\n"},
        {"a sentence on a row's band is no cell",
         {{lineRead("Subtotal", {95}, 0, 0)}},
         {lineRead("Payment in thirty days net", {92, 92, 92, 92, 92}, 0, 300)},
         "Subtotal\nPayment in thirty days net\n"},
    };
    for (const Case& c : cases) {
        Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {}};
        std::vector<LineMerge::PlacedLine> merged;
        for (const std::vector<Readings::LineReading>& row : c.rows) {
            merged.push_back(placed(row));
            plain.lines.insert(plain.lines.end(), row.begin(), row.end());
        }
        plain.lines.insert(plain.lines.end(), c.lost.begin(), c.lost.end());
        HanVariantChoice::Chooser variants({nullptr, 0, 0});
        EXPECT_EQ(PlainFloor::text(merged, plain, {}, variants), c.expected) << c.what;
    }
}

} // namespace
