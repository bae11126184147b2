// Ideographs a Chinese model guessed at on a screen of Latin text do not come back where
// the plain engine read the same ink as Latin: the readings below are those the engines
// gave of an xterm (DejaVu Sans Mono 11) showing `ls -l`, whose column of link counts the
// layout of the page as ink on paper took for one tall line.
#include "OcrHelper/PlainFloor.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

using Readings::Box;
using Readings::WordReading;

struct Count {
    const char* text;
    int left;
    float confidence;
};

// The plain engine's rows of `ls -l`, one every 19 pixels from y = 25 on: the mode, the link
// count and the owner of each, the count as it read it.
Readings::EngineReading plainRows(const std::vector<Count>& counts, float modeConfidence = 79.3f)
{
    Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {}};
    for (size_t k = 0; k < counts.size(); ++k) {
        const int top = 25 + 19 * int(k), bottom = top + 12;
        Readings::LineReading row;
        row.box = {4, top, 164, bottom};
        row.words = {WordReading{{4, top, 92, bottom}, "drwxr-xr-x", modeConfidence, {}},
                     WordReading{{counts[k].left, top, 119, bottom}, counts[k].text, counts[k].confidence, {}},
                     WordReading{{132, top + 1, 164, bottom}, "root", 92.8f, {}}};
        row.text = "drwxr-xr-x " + std::string(counts[k].text) + " root";
        row.confidence = 90.0f;
        plain.lines.push_back(row);
    }
    return plain;
}

const std::vector<Count> linkCounts{{"4", 112, 95.4f}, {"1", 113, 90.3f}, {"1", 113, 90.4f}, {"2", 112, 95.1f}, {"2", 112, 95.5f},
                                    {"3", 112, 96.4f}, {"2", 112, 95.0f}, {"2", 112, 95.0f}, {"34", 103, 95.7f}, {"5", 112, 94.9f},
                                    {"1", 113, 89.6f}, {"1", 113, 88.8f}, {"1", 113, 88.9f}, {"2", 112, 95.1f}, {"2", 112, 95.3f},
                                    {"2", 112, 95.3f}, {"2", 112, 95.5f}, {"3", 112, 96.2f}, {"3", 112, 91.3f}};

// The Traditional model's reading of the column, the line the rules' text took it from,
// indented as the layout placed it.
LineMerge::PlacedLine columnReadAsIdeographs()
{
    LineMerge::PlacedLine line;
    line.text = "            wow\u7531wo\u5DF2\u4EBA";
    line.boxes = {Box{112, 25, 120, 379}};
    line.starts = {12};
    line.words = {WordReading{{112, 255, 119, 379}, "wow", 42.1f, {}}, WordReading{{112, 160, 120, 246}, "\u7531", 0.0f, {}},
                  WordReading{{112, 82, 119, 151}, "wo", 37.3f, {}}, WordReading{{113, 44, 119, 75}, "\u5DF2", 23.5f, {}},
                  WordReading{{112, 25, 120, 35}, "\u4EBA", 19.1f, {}}};
    return line;
}

// The floor's text of the column line after the rows' other cells, each row read as one
// line of the rules' text, as the single-language engines read them.
std::string floorOf(const LineMerge::PlacedLine& column, const Readings::EngineReading& plain)
{
    std::vector<LineMerge::PlacedLine> merged;
    for (const Readings::LineReading& row : plain.lines) {
        const WordReading& mode = row.words.front();
        const WordReading& owner = row.words.back();
        merged.push_back({mode.text + " " + owner.text, {mode.box, owner.box}, {0, mode.text.size() + 1}, {mode, owner}});
    }
    merged.push_back(column);
    HanVariantChoice::Chooser variants({nullptr, 0, 0});
    std::string text = PlainFloor::text(merged, plain, {}, variants);
    text.pop_back();
    return text.substr(text.rfind('\n') + 1);
}

TEST(PlainLatin, AColumnOfCountsTheChineseModelGuessedAtIsWhatThePlainEngineReadThere)
{
    // Each count as the plain engine read it, top to bottom, where the line stood.
    EXPECT_EQ(floorOf(columnReadAsIdeographs(), plainRows(linkCounts)), "            4 1 1 2 2 3 2 2 34 5 1 1 1 2 2 2 2 3 3");
}

TEST(PlainLatin, IdeographsStandWhereThePlainEngineDidNotReadTheirInkSurelyAsLatin)
{
    const LineMerge::PlacedLine column = columnReadAsIdeographs();
    // The plain engine doubting its counts.
    std::vector<Count> doubted = linkCounts;
    doubted[8].confidence = 40.0f;
    EXPECT_EQ(floorOf(column, plainRows(doubted)), column.text);
    // It read an ideograph over the column itself ("PP和PP" where the Traditional model
    // read "選號過", on another screen).
    std::vector<Count> withIdeograph = linkCounts;
    withIdeograph[7].text = "\u548C";
    EXPECT_EQ(floorOf(column, plainRows(withIdeograph)), column.text);
    // It read nothing over the lower half of it.
    const std::vector<Count> upperHalf(linkCounts.begin(), linkCounts.begin() + 9);
    EXPECT_EQ(floorOf(column, plainRows(upperHalf)), column.text);
    // The Chinese model sure of its ideographs.
    LineMerge::PlacedLine sure = column;
    for (WordReading& word : sure.words)
        word.confidence = 92.0f;
    EXPECT_EQ(floorOf(sure, plainRows(linkCounts)), column.text);
}

// One cell of a line alone, as the floor reads it beside the Latin engine's reading and
// the Chinese models' (`chinese`, a word of each).
std::string cellOf(const WordReading& merged, const WordReading& plainWord, const std::vector<WordReading>& latinWords,
                   const std::vector<WordReading>& chinese = {})
{
    std::vector<Readings::EngineReading> scripts;
    for (const WordReading& word : chinese)
        scripts.push_back({"chi_sim", true, {{word.box, word.text, word.confidence, {word}, {}}}});
    Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {}};
    plain.lines.push_back({plainWord.box, plainWord.text, plainWord.confidence, {plainWord}, {}});
    Readings::EngineReading latin{"eng", true, {}};
    for (const WordReading& word : latinWords)
        latin.lines.push_back({word.box, word.text, word.confidence, {word}, {}});
    HanVariantChoice::Chooser variants({nullptr, 0, 0});
    const LineMerge::PlacedLine line{merged.text, {merged.box}, {0}, {merged}};
    std::vector<Readings::EngineReading> others = scripts;
    others.push_back(latin);
    const std::string text = PlainFloor::text({line}, plain, scripts, variants, others);
    return text.substr(0, text.find('\n'));
}

TEST(PlainLatin, PlainLatinWordsStandForIdeographsOnlyWhereTheOtherReadingsDoNotBackTheIdeographs)
{
    // A `df` cell's "0%", which the Traditional model reads as ideographs at 0, the plain
    // and the Latin engine both as "0%" at 59.
    const Box percent{400, 595, 417, 607};
    EXPECT_EQ(cellOf({percent, "\u4EBA\u6B47", 0.0f, {}}, {percent, "0%", 59.2f, {}}, {{percent, "0%", 59.2f, {}}}), "0%");
    // A product sheet's heading "噪音" in light type on a dark ground, which the Simplified
    // model read as "嗓音" at 32, one stroke off, and the plain engine as "BS" at 58; the
    // Latin engine found no line there.
    const Box heading{35, 215, 59, 228};
    EXPECT_EQ(cellOf({heading, "\u55D3\u97F3", 32.1f, {}}, {heading, "BS", 58.3f, {}}, {}), "\u55D3\u97F3");
    // Nor where both Chinese models read the same ideographs, however unsurely: a product
    // sheet's "尺寸", read so at 80 and 73, which the plain and the Latin engine both
    // read as "RY" at 94 and 93.
    const Box size{37, 82, 61, 95};
    const WordReading simplified{size, "\u5C3A\u5BF8", 79.5f, {}}, traditional{size, "\u5C3A\u5BF8", 73.1f, {}};
    EXPECT_EQ(cellOf(simplified, {size, "RY", 93.7f, {}}, {{size, "RY", 92.6f, {}}}, {simplified, traditional}), "\u5C3A\u5BF8");
    // Nor where the Latin engine read other digits there.
    EXPECT_EQ(cellOf({percent, "\u4EBA\u6B47", 0.0f, {}}, {percent, "0%", 59.2f, {}}, {{percent, "9%", 59.2f, {}}}),
              "\u4EBA\u6B47");
}

TEST(PlainLatin, OnlyTheCellWithTheGuessedIdeographsGivesWay)
{
    // The column with a cell after it that the plain engine read too: that cell is the
    // rules' reading of it still.
    LineMerge::PlacedLine row = columnReadAsIdeographs();
    const Box cell{132, 25, 164, 37};
    row.text += " Root";
    row.boxes.push_back(cell);
    row.starts.push_back(row.text.size() - 4);
    row.words.push_back(WordReading{cell, "Root", 60.0f, {}});
    EXPECT_EQ(floorOf(row, plainRows(linkCounts)), "            4 1 1 2 2 3 2 2 34 5 1 1 1 2 2 2 2 3 3 Root");
}

} // namespace
