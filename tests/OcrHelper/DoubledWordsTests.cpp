#include "OcrHelper/DoubledWords.h"

#include "OcrHelper/HanText.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// On the page as ink on paper, a frame taken for a word around other words holds them
// without their being read twice: only where the one's text holds the other's is it a
// second reading. The characters follow the words left.
TEST(DoubledWords, WithTheTextsAsEvidenceOnlyAWordThatHoldsTheOthersGoes)
{
    const auto symbols = [](const std::vector<WordReading>& words) {
        HanVariantChoice::Line line;
        for (const WordReading& word : words)
            HanText::forEachCharacter(word.text, [&](char32_t c) {
                line.symbols.push_back({HanText::encoded(std::u32string(1, c)), {word.box.left, word.box.top, word.box.right, word.box.bottom}});
            });
        return line;
    };
    const struct {
        const char* name;
        std::vector<WordReading> words;
        std::string kept;
    } cases[] = {
        {"framed value read twice", {{{39, 168, 73, 186}, "缩放", 91}, {{124, 155, 188, 200}, "(175%", 67}, {{135, 171, 183, 184}, "175%", 95}},
         "缩放 175%"},
        {"a frame read as the field's first word",
         {{{38, 234, 92, 259}, "模式", 73}, {{103, 234, 192, 259}, "0L19", 72}, {{147, 230, 160, 263}, "至", 93},
          {{150, 236, 190, 256}, "05.33", 33}},
         "模式 0L19 至 05.33"},
        {"a frame read as something else", {{{124, 155, 185, 200}, "[as", 28}, {{135, 171, 183, 184}, "175%", 91}}, "[as 175%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<LineReading> lines{lineOf(c.words)};
        lines[0].characters = symbols(c.words);
        DoubledWords::dropDoubledWords(lines, DoubledWords::Evidence::inkAndText);
        EXPECT_EQ(lines[0].text, c.kept);
        std::string characters;
        for (const HanVariantChoice::Symbol& symbol : lines[0].characters.symbols)
            characters += symbol.text;
        std::string written = c.kept;
        written.erase(std::remove(written.begin(), written.end(), ' '), written.end());
        EXPECT_EQ(characters, written);
    }
}

} // namespace
