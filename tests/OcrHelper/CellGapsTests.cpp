// A blank where two words of a line stand a cell apart and the engine wrote none; the
// text stays as the engine wrote it everywhere else.
#include "OcrHelper/CellGaps.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

// `text` read with the words as given, the words from `from` on moved `shift` pixels
// right, and the line's text written as `written` (as the Chinese models write it).
Readings::LineReading readAs(const std::string& text, const std::string& written, size_t from, int shift)
{
    Readings::LineReading line = lineRead(text, {});
    for (size_t k = from; k < line.words.size(); ++k) {
        line.words[k].box.left += shift;
        line.words[k].box.right += shift;
    }
    line.box.right = line.words.back().box.right;
    line.text = written;
    return line;
}

TEST(CellGaps, ALabelAndTheFigureInTheNextCellGetABlankBetweenThem)
{
    EXPECT_EQ(CellGaps::withBlanksAtWideGaps(readAs("营业收入 1284 1402", "营业收入1284 1402", 1, 40), {}), "营业收入 1284 1402");
    EXPECT_EQ(CellGaps::withBlanksAtWideGaps(readAs("项目 2023年 增减比例", "项目2023年增减比例", 1, 30), {}), "项目 2023年增减比例");
}

// The model's box of the label reaches almost to the figure; the paper between them is
// three times as wide as the line is tall. Where ink lies between, there is no gap.
TEST(CellGaps, ThePaperBetweenTheWordsIsMeasuredOnThePage)
{
    Readings::LineReading line = readAs("营业收入 1284", "营业收入1284", 1, 0);
    line.words[0].box = {0, 0, 75, 20};
    line.words[1].box = {80, 0, 120, 20};
    line.box = {0, 0, 120, 20};
    std::vector<unsigned char> page(130 * 20, 255);
    const auto ink = [&](int left, int right) {
        for (int y = 4; y < 16; ++y)
            for (int x = left; x < right; ++x)
                page[size_t(y * 130 + x)] = 30;
    };
    ink(0, 40);
    ink(80, 120);
    EXPECT_EQ(CellGaps::withBlanksAtWideGaps(line, {page.data(), 130, 20}), "营业收入 1284");
    ink(55, 60);
    EXPECT_EQ(CellGaps::withBlanksAtWideGaps(line, {page.data(), 130, 20}), "营业收入1284");
}

TEST(CellGaps, WordsCloseTogetherAndBlanksWrittenStayAsTheEngineWroteThem)
{
    for (const Readings::LineReading& line : {readAs("版本 v2.3.1 修復了", "版本v2.3.1修復了", 1, 0), readAs("iPhone 15 Pro 7999元", "iPhone 15 Pro 7999元", 3, 40),
                                              readAs("营业 收入", "营业收入", 1, 10), readAs("净利润 356", "净利润   356", 1, 60)})
        EXPECT_EQ(CellGaps::withBlanksAtWideGaps(line, {}), line.text);
}

} // namespace
