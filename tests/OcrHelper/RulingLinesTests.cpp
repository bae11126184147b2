// A table's ruling lines turn to paper before the engines read the page; the strokes of
// text, short or thick, and the ink where text touches a line, stay.
#include "OcrHelper/RulingLines.h"

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
    int inkIn(int left, int top, int right, int bottom) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += pixels[size_t(y * width + x)] < RulingLines::inkBelow;
        return count;
    }
};

TEST(RulingLines, AGridsLinesGoAndTheTextInItsCellsStays)
{
    Page page;
    // A grid of two columns and three rows, 1 px lines in a mid grey, with its corners.
    for (const int x : {10, 100, 190})
        page.fill(x, 10, x + 1, 101, 120);
    for (const int y : {10, 40, 70, 100})
        page.fill(10, y, 191, y + 1, 120);
    // Letters in the cells: stems 14 px tall, one touching the middle line.
    page.fill(20, 20, 22, 34);
    page.fill(30, 24, 38, 26);
    page.fill(98, 50, 100, 64);
    page.fill(110, 80, 112, 94);
    RulingLines::erase(page.pixels, page.width, page.height);
    EXPECT_EQ(page.inkIn(0, 0, 200, 120), 2 * 14 + 8 * 2 + 2 * 14 + 2 * 14);
    EXPECT_EQ(page.inkIn(20, 20, 22, 34), 28);
    EXPECT_EQ(page.inkIn(98, 50, 100, 64), 28);
}

TEST(RulingLinesLeaveText, StrokesShortOrThickAndGreyDashesStay)
{
    Page page;
    page.fill(20, 10, 22, 50);       // a tall stroke of display type, under the shortest line
    page.fill(40, 10, 46, 110);      // a thick stem, as long as a line
    page.fill(60, 60, 190, 61, 230); // a line lighter than the engines take for ink
    page.fill(60, 90, 100, 92);      // a dash
    const std::vector<unsigned char> before = page.pixels;
    RulingLines::erase(page.pixels, page.width, page.height);
    EXPECT_EQ(page.pixels, before);
}

} // namespace
