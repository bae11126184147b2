// A short cell the plain engine alone read surely goes into its table row, between the
// pieces left and right of it, not below the table.
#include "OcrHelper/LostCells.h"
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

// The rules' line read from `words` of `plain` (by their place in it) as `text`, one piece
// over all of them: as an engine gives a row whose middle or end it read nothing of.
LineMerge::PlacedLine readFrom(const Readings::LineReading& plain, const std::vector<size_t>& words, const std::string& text)
{
    LineMerge::PlacedLine line{text, {}, {0}};
    Readings::Box box = plain.words[words.front()].box;
    for (const size_t w : words) {
        const Readings::Box& b = plain.words[w].box;
        box = {std::min(box.left, b.left), std::min(box.top, b.top), std::max(box.right, b.right), std::max(box.bottom, b.bottom)};
        line.words.push_back(plain.words[w]);
    }
    line.boxes.push_back(box);
    return line;
}

// A row of the plain reading, the rules' text of it, and what the row comes back as.
struct RowCase {
    const char* what;
    Readings::LineReading plain;
    std::vector<size_t> read; // the plain line's words the rules' text read too
    std::string readAs;
    std::string expected;
    std::vector<Readings::LineReading> others = {}; // the single-language engines' lines, where given
};

void expectRows(const std::vector<RowCase>& cases)
{
    for (const RowCase& c : cases) {
        const Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {c.plain}};
        std::vector<Readings::EngineReading> others;
        if (!c.others.empty())
            others.push_back({"eng", true, c.others});
        const std::vector<LineMerge::PlacedLine> lines = LostCells::withLostCells({readFrom(c.plain, c.read, c.readAs)}, plain, others);
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0].text, c.expected) << c.what;
    }
}

TEST(LostCells, WordsOnlyThePlainReadingHasGoIntoTheirRowWhereTheyStand)
{
    expectRows({
        {"a heading's first and last cells, and one between those read",
         lineRead("Description Qty Unit price VAT Amount", {96, 90, 88, 88, 90, 91}), {1, 4}, "Qty VAT",
         "Description Qty Unit price VAT Amount"},
        {"an item's prices after its name and quantity", lineRead("Milk 1 16.84 16.84", {95, 90, 92, 93}), {0, 1}, "Milk 1",
         "Milk 1 16.84 16.84"},
        {"a deleted row's sign between its gutter number and its code",
         lineRead("814 - const color = 7;", {95, 92, 97, 96, 96, 95}), {0, 2, 3, 4, 5}, "814 const color = 7;",
         "814 - const color = 7;"},
        {"a word the plain engine doubts stays out", lineRead("Description Qty Amount", {60, 90, 91}), {1, 2}, "Qty Amount",
         "Qty Amount"},
        {"marks made of a border stay out", lineRead("| Total 12.00 \xe2\x80\x94", {95, 95, 95, 95}), {1, 2}, "Total 12.00",
         "Total 12.00"},
        {"a word read by the rules is not written twice", lineRead("Total 12.00", {95, 95}), {0, 1}, "Total 12.00", "Total 12.00"},
    });
}

TEST(LostCells, AFaintNumberOnlyThePlainEngineSawGoesIntoItsRow)
{
    // "4 East 69,695.50": the row number, grey, at 61.
    const Readings::LineReading row = lineRead("4 East 69,695.50", {61, 90, 90});
    const Readings::LineReading rowRead = lineRead("  East 69,695.50", {90, 90});
    expectRows({
        {"a row number no other engine read anything of", row, {1, 2}, "East 69,695.50", "4 East 69,695.50", {rowRead}},
        {"another engine read something there", row, {1, 2}, "East 69,695.50", "East 69,695.50",
         {lineRead("A East 69,695.50", {20, 90, 90})}},
        {"a word without a digit needs the sure reading", lineRead("B East 69,695.50", {61, 90, 90}), {1, 2}, "East 69,695.50",
         "East 69,695.50", {rowRead}},
        {"a number read too doubtfully", lineRead("4 East 69,695.50", {35, 90, 90}), {1, 2}, "East 69,695.50", "East 69,695.50",
         {rowRead}},
    });
}

} // namespace
