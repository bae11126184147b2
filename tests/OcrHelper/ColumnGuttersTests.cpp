// Lines the layout read across a gutter between two columns are cut in two there, the
// right-hand column after the left; a table's rows and a justified paragraph stay whole.
#include "OcrHelper/ColumnGutters.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

// A line of words at `row` (24 pixels apart), its words from `left` on; after a "|" they
// go on from `column`.
Readings::LineReading placed(const std::string& text, int row, int left = 0, int column = 200)
{
    std::string part;
    Readings::LineReading line;
    line.text.clear();
    int x = left;
    const auto addPart = [&] {
        if (part.empty())
            return;
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        Readings::LineReading words = lineRead(part, {}, row * 24, x);
        line.words.insert(line.words.end(), words.words.begin(), words.words.end());
        line.characters.symbols.insert(line.characters.symbols.end(), words.characters.symbols.begin(), words.characters.symbols.end());
        line.text += (line.text.empty() ? "" : " ") + words.text;
        x = words.box.right;
        part.clear();
    };
    for (const char c : text + " ") {
        if (c == '|') {
            addPart();
            x = column;
        } else {
            part += c;
        }
    }
    addPart();
    line.box = line.words.front().box;
    line.box.right = line.words.back().box.right;
    line.confidence = 90;
    return line;
}

std::vector<std::string> texts(const std::vector<Readings::LineReading>& lines)
{
    std::vector<std::string> out;
    for (const Readings::LineReading& line : lines)
        out.push_back(line.text);
    return out;
}

TEST(ColumnGutters, ASidebarReadWithTheMainPaneIsCutAwayAndReadFirst)
{
    std::vector<Readings::LineReading> lines = {
        placed("Inbox 12|Quarterly results are in", 0),      placed("Starred|From: finance@example.com", 1),
        placed("Sent|Revenue rose 12.5% to $4.2", 2),        placed("million in the third quarter", 3, 200),
        placed("Drafts 3|on 14 November to approve", 4),
    };
    ColumnGutters::splitAtGutters(lines);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"Inbox 12", "Starred", "Sent", "million in the third quarter", "Drafts 3",
                                                      "Quarterly results are in", "From: finance@example.com",
                                                      "Revenue rose 12.5% to $4.2", "on 14 November to approve"}));
}

TEST(ColumnGutters, TableRowsAndWideBlanksOfOneLineStayWhole)
{
    const std::vector<std::vector<Readings::LineReading>> pages = {
        // A price list: every row has a cell either side of the gap.
        {placed("iPhone 15 Pro|7999元", 0), placed("MacBook Air M3|7499元", 1, 0, 210), placed("AirPods Pro 2|1899元", 2),
         placed("Total", 3)},
        // One wide blank, on one line only.
        {placed("Chapter 1|page 4", 0), placed("It was a bright cold day in April", 1), placed("and the clocks were striking", 2)},
        // A wide blank with text running across it right below, though a line starts
        // where the blank ends.
        {placed("Name:|Winston Smith", 0), placed("It was a bright cold day in April", 1), placed("(by birth)", 2, 200)},
    };
    for (std::vector<Readings::LineReading> lines : pages) {
        const std::vector<std::string> before = texts(lines);
        ColumnGutters::splitAtGutters(lines);
        EXPECT_EQ(texts(lines), before);
    }
}

} // namespace
