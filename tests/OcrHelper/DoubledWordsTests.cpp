#include "OcrHelper/DoubledWords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Readings::Box;
using Readings::LineReading;
using Readings::WordReading;

LineReading lineOf(const std::vector<WordReading>& words)
{
    LineReading line;
    for (const WordReading& word : words)
        line.text += (line.text.empty() ? "" : " ") + word.text;
    line.words = words;
    return line;
}

// Words read twice over the same ink (a field's frame and its text read once as they
// stand, once inverted) keep the surer reading; words side by side, repeated or not,
// all stay.
TEST(DoubledWords, OfTwoReadingsOfTheSameInkTheSurerStands)
{
    const struct {
        const char* name;
        std::vector<WordReading> words;
        std::string kept;
    } cases[] = {
        {"framed value read twice",
         {{{39, 113, 129, 148}, "Resolution", 96}, {{160, 110, 270, 154}, "(2560x1440", 55}, {{290, 110, 302, 154}, "|", 66},
          {{169, 125, 268, 138}, "2560x1440", 57}},
         "Resolution | 2560x1440"},
        {"the surer reading first", {{{170, 167, 216, 180}, "125%", 96}, {{160, 152, 222, 196}, "{125%", 81}}, "125%"},
        {"one repeated beside itself", {{{0, 0, 40, 20}, "2.00", 90}, {{60, 0, 100, 20}, "2.00", 90}}, "2.00 2.00"},
        {"touching, not over each other", {{{0, 0, 40, 20}, "12", 90}, {{30, 0, 70, 20}, "34", 50}}, "12 34"},
        {"as sure as each other", {{{0, 0, 40, 20}, "61%", 80}, {{2, 2, 38, 18}, "61", 80}}, "61%"},
    };
    for (const auto& c : cases) {
        std::vector<LineReading> lines{lineOf(c.words)};
        DoubledWords::dropDoubledWords(lines);
        EXPECT_EQ(lines[0].text, c.kept) << c.name;
        std::string fromWords;
        for (const WordReading& word : lines[0].words)
            fromWords += (fromWords.empty() ? "" : " ") + word.text;
        EXPECT_EQ(fromWords, c.kept) << c.name;
    }
}

} // namespace
