// Tables the layout read column by column come back row by row; columns side by side
// that are no table stay as they were.
#include "OcrHelper/ReadingOrder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A line of text on `row`, from `left` to `right`.
Readings::LineReading at(const std::string& text, int row, int left, int right)
{
    Readings::LineReading line;
    line.text = text;
    line.box = {left, 20 + row * 24, right, 20 + row * 24 + 16};
    return line;
}

std::vector<std::string> written(const std::vector<Readings::LineReading>& lines)
{
    const ReadingOrder::Layout layout = ReadingOrder::layout(lines);
    std::vector<std::string> out;
    for (const size_t i : layout.order) {
        std::string text = lines[i].text;
        for (std::ptrdiff_t cell = layout.after[i]; cell >= 0; cell = layout.after[size_t(cell)])
            text += " " + lines[size_t(cell)].text;
        out.push_back(text);
    }
    return out;
}

TEST(TableRows, APriceListReadColumnByColumnReadsRowByRow)
{
    // As the layout gave them: the heading, the names, the note below, then the prices
    // (right-aligned).
    const std::vector<Readings::LineReading> lines = {
        at("Menu", 0, 40, 90),          at("Espresso", 1, 40, 110),     at("Green tea", 2, 40, 115),
        at("Blueberry muffin", 3, 40, 170), at("Prices include tax.", 5, 40, 180), at("$2.50", 1, 500, 540),
        at("$12.20", 2, 492, 540),      at("$3.10", 3, 500, 540),
    };
    EXPECT_EQ(written(lines), (std::vector<std::string>{"Menu", "Espresso $2.50", "Green tea $12.20", "Blueberry muffin $3.10",
                                                         "Prices include tax."}));
}

TEST(TableRows, AChineseTablesRowsKeepTheirCellsInOrderAndItsHeadingRowToo)
{
    // Four columns, each a block of its own; the figures' column is left-aligned.
    const std::vector<Readings::LineReading> lines = {
        at("项目", 0, 40, 80),     at("营业收入", 1, 40, 104), at("净利润", 2, 40, 88), at("研发投入", 3, 40, 104),
        at("2023年", 0, 200, 250), at("1,284", 1, 200, 240),  at("356", 2, 200, 226), at("97", 3, 200, 218),
        at("2024年", 0, 320, 370), at("1,402", 1, 320, 360),  at("388", 2, 320, 346), at("121", 3, 320, 346),
        at("增减比例", 0, 440, 504), at("+9.2%", 1, 440, 482),  at("+9.0%", 2, 440, 482), at("+24.7%", 3, 440, 490),
    };
    EXPECT_EQ(written(lines), (std::vector<std::string>{"项目 2023年 2024年 增减比例", "营业收入 1,284 1,402 +9.2%", "净利润 356 388 +9.0%",
                                                         "研发投入 97 121 +24.7%"}));
}

TEST(TableRows, ColumnsThatAreNoTableStayWhole)
{
    const std::vector<std::vector<Readings::LineReading>> pages = {
        // Prose beside prose, the lines level with each other.
        {at("The release was planned for 2024", 0, 40, 300), at("and came out in March", 1, 40, 260), at("with 12 fixes.", 2, 40, 160),
         at("Downloads rose by 40% in", 0, 400, 640), at("the first week, and 3 new", 1, 400, 640), at("mirrors opened.", 2, 400, 540)},
        // Two terminals side by side, short lines with numbers in them.
        {at("$ make -j 4", 0, 20, 120), at("passed: 12 tests", 1, 20, 160), at("done in 3 s", 2, 20, 120), at("build 1 ok", 0, 420, 520),
         at("build 2 ok", 1, 420, 520), at("build 3 ok", 2, 420, 520)},
        // Two figures beside a sidebar's entries are no column.
        {at("Inbox", 0, 20, 70), at("12", 0, 140, 160), at("Drafts", 1, 20, 76), at("3", 1, 150, 160), at("Archive", 2, 20, 84)},
    };
    for (const std::vector<Readings::LineReading>& lines : pages) {
        const ReadingOrder::Layout layout = ReadingOrder::layout(lines);
        for (const std::ptrdiff_t cell : layout.after)
            EXPECT_EQ(cell, -1) << lines.front().text;
        EXPECT_EQ(layout.order.size(), lines.size()) << lines.front().text;
    }
}

} // namespace
