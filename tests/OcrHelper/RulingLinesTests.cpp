// What the engines read of a table's ruling lines comes out of their readings; the
// strokes of text are no ruling lines, and the same characters elsewhere stay.
#include "OcrHelper/RulingLines.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Page {
    int width = 200, height = 120;
    std::vector<unsigned char> pixels = std::vector<unsigned char>(size_t(width) * size_t(height), 255);
    void fill(int left, int top, int right, int bottom, unsigned char ink = 40)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                pixels[size_t(y * width + x)] = ink;
    }
};

int marked(const RulingLines::Lines& lines, int left, int top, int right, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += lines.ink[size_t(y * lines.width + x)] != 0;
    return count;
}

// A grid of two columns and three rows, 1 px lines in a mid grey, letters in its cells.
Page grid()
{
    Page page;
    for (const int x : {10, 100, 190})
        page.fill(x, 10, x + 1, 101, 120);
    for (const int y : {10, 40, 70, 100})
        page.fill(10, y, 191, y + 1, 120);
    page.fill(20, 20, 22, 34); // stems 14 px tall, one touching the middle line
    page.fill(98, 50, 100, 64);
    return page;
}

TEST(RulingLines, AGridsLinesAreFoundAndNoStrokeOfText)
{
    Page page = grid();
    page.fill(120, 10, 122, 50);  // a tall stroke of display type, under the shortest line
    page.fill(140, 45, 146, 110); // a thick stem, as long as a line
    page.fill(30, 110, 190, 111, 230); // a line lighter than the engines take for ink
    const RulingLines::Lines lines = RulingLines::find(page.pixels, page.width, page.height);
    EXPECT_EQ(marked(lines, 10, 10, 11, 101), 91);
    EXPECT_EQ(marked(lines, 11, 70, 100, 71), 89);
    EXPECT_EQ(marked(lines, 20, 20, 22, 34), 0);
    EXPECT_EQ(marked(lines, 98, 50, 100, 64), 0);
    EXPECT_EQ(marked(lines, 120, 10, 122, 50), 0);
    EXPECT_EQ(marked(lines, 140, 45, 146, 110), 0);
    EXPECT_EQ(marked(lines, 30, 110, 190, 111), 0);
}

TEST(RulingLines, BarsReadOfTheLinesGoAndTheCellsTextStays)
{
    const Page page = grid();
    const RulingLines::Lines lines = RulingLines::find(page.pixels, page.width, page.height);
    // A row read across the middle line: "North | 1,240", then a cell's word with the
    // line read at its end ("Q3_|"), then one with it at its start.
    Readings::LineReading row = lineRead("North | 1,240", {90, 40, 90}, 45, 40);
    row.words[1].box = {98, 45, 103, 65};
    row.words[2].box = {108, 45, 150, 65};
    row.words[0].box = {40, 45, 90, 65};
    row.box = {40, 45, 150, 65};
    RulingLines::dropRulings(row, lines);
    EXPECT_EQ(row.text, "North 1,240");
    Readings::LineReading ends = lineRead("Q3_| |2024", {70, 60}, 15, 60);
    ends.words[0].box = {60, 15, 96, 35};
    ends.words[1].box = {112, 15, 150, 35};
    ends.box = {60, 15, 150, 35};
    RulingLines::dropRulings(ends, lines);
    EXPECT_EQ(ends.text, "Q3 2024");
}

TEST(RulingLines, BarsAwayFromAnyLineStay)
{
    const Page page = grid();
    const RulingLines::Lines lines = RulingLines::find(page.pixels, page.width, page.height);
    // Within one cell, far from its lines: a shell pipe and letters like a bar.
    for (Readings::LineReading line : {lineRead("ls | wc", {90, 90, 90}, 75, 125), lineRead("I l", {90, 90}, 75, 140)}) {
        const std::string before = line.text;
        RulingLines::dropRulings(line, lines);
        EXPECT_EQ(line.text, before);
    }
}

} // namespace
