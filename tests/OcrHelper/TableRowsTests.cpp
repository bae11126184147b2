// Tables the layout read column by column come back row by row; columns side by side
// that are no table stay as they were.
#include "OcrHelper/ReadingOrder.h"

#include "LineReadings.h"

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

TEST(TableRows, APriceListReadColumnByColumnReadsRowByRow)
{
    // As the layout gave them: the heading, the names, the note below, then the prices
    // (right-aligned).
    const std::vector<Readings::LineReading> lines = {
        at("Menu", 0, 40, 90),          at("Espresso", 1, 40, 110),     at("Green tea", 2, 40, 115),
        at("Blueberry muffin", 3, 40, 170), at("Prices include tax.", 5, 40, 180), at("$2.50", 1, 500, 540),
        at("$12.20", 2, 492, 540),      at("$3.10", 3, 500, 540),
    };
    EXPECT_EQ(writtenInLayoutOrder(lines), (std::vector<std::string>{"Menu", "Espresso $2.50", "Green tea $12.20", "Blueberry muffin $3.10",
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
    EXPECT_EQ(writtenInLayoutOrder(lines), (std::vector<std::string>{"项目 2023年 2024年 增减比例", "营业收入 1,284 1,402 +9.2%", "净利润 356 388 +9.0%",
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

TEST(TableRows, RowsComeDownThePageWhereverTheLayoutHadTheirCells)
{
    // A spreadsheet's row numbers, read as one line down the whole table.
    Readings::LineReading rowNumbers = at("Cornoaunnkwne", 0, 20, 30);
    rowNumbers.box.bottom = at("", 3, 0, 0).box.bottom;
    const std::vector<std::pair<std::vector<Readings::LineReading>, std::vector<std::string>>> cases{
        // The row numbers stand on every row; a line whose right edge is in line with a
        // column of figures is no cell of theirs.
        {{rowNumbers, at("North", 0, 60, 110), at("South", 1, 60, 110), at("Retail 9,376,998.03", 2, 60, 330), at("East", 3, 60, 110),
          at("+89.7%", 0, 280, 330), at("+9%", 1, 300, 330), at("+65.9%", 3, 280, 330), at("96.3%", 0, 350, 400),
          at("63.5%", 1, 350, 400), at("6%", 2, 370, 400), at("32%", 3, 370, 400)},
         {"Cornoaunnkwne", "North +89.7% 96.3%", "South +9% 63.5%", "Retail 9,376,998.03 6%", "East +65.9% 32%"}},
        // The prices of rows whose names were lost, read before the names.
        {{at("\u5546\u54C1 \u6570\u91CF \u5355\u4EF7 \u91D1\u989D", 0, 40, 300), at("\u00A529.50 \u00A588.50", 2, 200, 300),
          at("\u00A56.50 \u00A56.50", 5, 200, 300), at("\u6709\u673A\u725B\u5976", 1, 40, 100), at("\u62BD\u7EB8\u4E09\u5305", 3, 40, 100),
          at("\u77FF\u6CC9\u6C34", 4, 40, 90), at("\u00A546.62 \u00A5233.10", 1, 200, 300), at("\u00A525.50 \u00A525.50", 3, 200, 300),
          at("\u00A557.59 \u00A5115.18", 4, 200, 300), at("\u5408\u8BA1 16\u4EF6", 6, 40, 140)},
         {"\u5546\u54C1 \u6570\u91CF \u5355\u4EF7 \u91D1\u989D", "\u6709\u673A\u725B\u5976 \u00A546.62 \u00A5233.10",
          "\u00A529.50 \u00A588.50", "\u62BD\u7EB8\u4E09\u5305 \u00A525.50 \u00A525.50", "\u77FF\u6CC9\u6C34 \u00A557.59 \u00A5115.18",
          "\u00A56.50 \u00A56.50", "\u5408\u8BA1 16\u4EF6"}},
        // The quantities before the total below the table, the names after it.
        {{at("\u5546\u54C1 \u6578\u91CF \u55AE\u50F9 \u91D1\u984D", 0, 40, 370), at("1 \u00A5380.00", 1, 180, 280), at("1 \u00A524.17", 2, 180, 280),
          at("1 \u00A52.50", 3, 180, 280), at("9\u4EF6574.02\u5143", 5, 120, 260), at("\u624B\u5DE5\u9EB5\u689D", 1, 40, 110),
          at("\u9032\u53E3\u8ECA\u5398\u5B50", 2, 40, 120), at("\u7DA0\u8336\u98F2\u6599", 3, 40, 110), at("\u00A5380.00", 1, 320, 370),
          at("\u00A524.17", 2, 330, 370), at("\u00A52.50", 3, 330, 370)},
         {"\u5546\u54C1 \u6578\u91CF \u55AE\u50F9 \u91D1\u984D", "\u624B\u5DE5\u9EB5\u689D 1 \u00A5380.00 \u00A5380.00",
          "\u9032\u53E3\u8ECA\u5398\u5B50 1 \u00A524.17 \u00A524.17", "\u7DA0\u8336\u98F2\u6599 1 \u00A52.50 \u00A52.50",
          "9\u4EF6574.02\u5143"}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(writtenInLayoutOrder(lines), expected) << lines.front().text;
}

TEST(TableRows, TablesOfWordsAndOfSeveralFiguresAPieceReadRowByRow)
{
    const std::vector<std::pair<std::vector<Readings::LineReading>, std::vector<std::string>>> cases{
        // A spec sheet without borders: its labels in two languages and its values, each
        // column a block of its own; a value runs over several figures and units.
        {{at("\u4EA7\u54C1\u89C4\u683C Specifications", 0, 40, 260), at("\u578B\u53F7", 1, 40, 80), at("\u91CD\u91CF", 2, 40, 80),
          at("\u5C3A\u5BF8", 3, 40, 80), at("\u566A\u97F3", 4, 40, 80), at("\u7535\u6C60\u5BB9\u91CF", 5, 40, 120),
          at("Model", 1, 150, 200), at("Weight", 2, 150, 206), at("Dimensions", 3, 150, 240), at("Noise", 4, 150, 198),
          at("Battery capacity", 5, 150, 280), at("LX-3167", 1, 330, 400), at("1929 g", 2, 330, 390),
          at("106.7 x 79.8 x 23.4 mm", 3, 330, 520), at("\u2264 41 dB", 4, 330, 400), at("6000 mAh", 5, 330, 410)},
         {"\u4EA7\u54C1\u89C4\u683C Specifications", "\u578B\u53F7 Model LX-3167", "\u91CD\u91CF Weight 1929 g",
          "\u5C3A\u5BF8 Dimensions 106.7 x 79.8 x 23.4 mm", "\u566A\u97F3 Noise \u2264 41 dB", "\u7535\u6C60\u5BB9\u91CF Battery capacity 6000 mAh"}},
        // Its values left-aligned: three figures with a unit make a column, and its
        // entries of several figures and units belong to it.
        {{at("\u5B58\u50A8\u6E29\u5EA6", 0, 40, 110), at("\u5C3A\u5BF8", 1, 40, 74), at("\u91CD\u91CF", 2, 40, 74),
          at("\u5145\u7535\u65F6\u95F4", 3, 40, 110), at("\u989D\u5B9A\u529F\u7387", 4, 40, 110), at("Storage temperature", 0, 142, 332),
          at("Dimensions", 1, 142, 246), at("Weight", 2, 141, 205), at("Charging time", 3, 142, 272), at("Rated power", 4, 142, 258),
          at("-10 \u00B0C ~ 51 \u00B0C", 0, 364, 497), at("217.4 x 59.6 x 10.6 mm", 1, 364, 587), at("257g", 2, 364, 414),
          at("2.9h", 3, 364, 409), at("11W", 4, 365, 410)},
         {"\u5B58\u50A8\u6E29\u5EA6 Storage temperature -10 \u00B0C ~ 51 \u00B0C", "\u5C3A\u5BF8 Dimensions 217.4 x 59.6 x 10.6 mm",
          "\u91CD\u91CF Weight 257g", "\u5145\u7535\u65F6\u95F4 Charging time 2.9h", "\u989D\u5B9A\u529F\u7387 Rated power 11W"}},
        // An invoice's figures read a row at a time, a dash between two of them; its
        // quantities read on two rows only.
        {{at("Website hosting (annual)", 0, 36, 173), at("Licence, 5 seats", 1, 37, 124), at("Cloud storage 2 TB", 2, 37, 140),
          at("SSD 1 TB", 3, 37, 86), at("Discount (3%)", 4, 37, 113), at("26", 2, 198, 211), at("16", 3, 199, 211),
          at("\u00A31,779.89 20% \u2014 \u00A31,779.89", 0, 236, 426), at("\u00A32,190.70 0% \u00A313,144.20", 1, 236, 426),
          at("\u00A31,826.00 20% \u00A347,476.00", 2, 236, 426), at("\u00A3267.85 0% \u00A34,285.60", 3, 247, 426),
          at("-\u00A32,417.89", 4, 367, 426), at("Subtotal \u00A378,178.75", 6, 237, 377)},
         {"Website hosting (annual) \u00A31,779.89 20% \u2014 \u00A31,779.89", "Licence, 5 seats \u00A32,190.70 0% \u00A313,144.20",
          "Cloud storage 2 TB 26 \u00A31,826.00 20% \u00A347,476.00", "SSD 1 TB 16 \u00A3267.85 0% \u00A34,285.60", "Discount (3%) -\u00A32,417.89",
          "Subtotal \u00A378,178.75"}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(writtenInLayoutOrder(lines), expected) << lines.front().text;
}

TEST(TableRows, ShortLinesBesideEachOtherOnAFewRowsOnlyAreNoTable)
{
    // Three labels beside three short words; a list of commands beside their output.
    const std::vector<std::vector<Readings::LineReading>> pages = {
        {at("Name", 0, 40, 90), at("Owner", 1, 40, 96), at("Kind", 2, 40, 86), at("lumetra", 0, 200, 270), at("dev team", 1, 200, 280),
         at("tool", 2, 200, 240)},
        {at("$ git status --short", 0, 20, 200), at("$ git log --oneline -3", 1, 20, 210), at("$ make test -j 4", 2, 20, 180),
         at("$ ls -la src", 3, 20, 140), at("clean", 0, 420, 470), at("3 commits", 1, 420, 500), at("passed", 2, 420, 480),
         at("12 files", 3, 420, 500)},
    };
    for (const std::vector<Readings::LineReading>& lines : pages) {
        const ReadingOrder::Layout layout = ReadingOrder::layout(lines);
        for (const std::ptrdiff_t cell : layout.after)
            EXPECT_EQ(cell, -1) << lines.front().text;
    }
}

} // namespace
