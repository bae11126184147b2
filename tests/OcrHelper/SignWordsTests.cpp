// Words the Latin engine read as a sign alone, held against the Chinese models' readings
// of the same place: the word they agree on, surely, comes back; signs read right stay.
#include "OcrHelper/SignWords.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

struct Word {
    const char* text;
    float confidence;
    int left, right;
};

// A line of words at the places given, one blank between them.
Readings::LineReading line(std::initializer_list<Word> words)
{
    Readings::LineReading read;
    for (const Word& w : words) {
        read.text += (read.text.empty() ? "" : " ") + std::string(w.text);
        read.words.push_back({{w.left, 0, w.right, 20}, w.text, w.confidence, {}});
    }
    read.box = {words.begin()->left, 0, (words.end() - 1)->right, 20};
    return read;
}

TEST(SignWords, ASignTheLatinEngineDoubtsGivesWayToTheWordBothChineseModelsAreSureOf)
{
    // A table's header: "Region Q2 Q3 Change", the Latin engine's "@" for "Q2".
    const auto header = [](const char* second, float confidence, int left = 138, int right = 158) {
        return line({{"Region", 93, 40, 89}, {second, confidence, left, right}, {"Q3", 90, 207, 227}, {"Change", 80, 257, 312}});
    };
    const Readings::LineReading latin = line({{"Region", 97, 40, 89}, {"@", 51, 138, 158}, {"Q3", 57, 207, 227}, {"Change", 96, 257, 312}});
    const Readings::LineReading simplified = header("Q2", 92), traditional = header("Q2", 91);
    const struct {
        const char* what;
        Readings::LineReading latin;
        std::vector<const Readings::LineReading*> han;
        const char* expected;
    } cases[] = {
        {"mended", latin, {&simplified, &traditional}, "Region Q2 Q3 Change"},
        {"one model found no line there", latin, {&simplified, nullptr}, "Region @ Q3 Change"},
        {"a single model's word", latin, {&simplified}, "Region @ Q3 Change"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SignWords::withWordsForSigns(c.latin, c.han), c.expected) << c.what;

    // Left as the Latin engine read it.
    const Readings::LineReading sure = line({{"Region", 97, 40, 89}, {"@", 88, 138, 158}, {"Q3", 57, 207, 227}, {"Change", 96, 257, 312}});
    EXPECT_EQ(SignWords::withWordsForSigns(sure, {&simplified, &traditional}), "Region @ Q3 Change") << "a sign it is sure of";
    const Readings::LineReading other = header("Q5", 93), unsure = header("Q2", 70), sign = header("|", 95),
                                apart = header("Q2", 95, 200, 230);
    EXPECT_EQ(SignWords::withWordsForSigns(latin, {&simplified, &other}), "Region @ Q3 Change") << "models that disagree";
    EXPECT_EQ(SignWords::withWordsForSigns(latin, {&simplified, &unsure}), "Region @ Q3 Change") << "a model unsure of it";
    EXPECT_EQ(SignWords::withWordsForSigns(latin, {&sign, &sign}), "Region @ Q3 Change") << "their word a sign too";
    EXPECT_EQ(SignWords::withWordsForSigns(latin, {&apart, &apart}), "Region @ Q3 Change") << "their word elsewhere";
    // A word with a letter or digit in it is no sign, however unsure ("Q3" at 57 stays).
    const Readings::LineReading thirds = line({{"Region", 93, 40, 89}, {"Q2", 92, 138, 158}, {"Q8", 95, 207, 227}, {"Change", 80, 257, 312}});
    EXPECT_EQ(SignWords::withWordsForSigns(latin, {&thirds, &thirds}), "Region Q2 Q3 Change");
    // Signs in code, read surely, stay whatever the models make of them.
    const Readings::LineReading code = line({{"x", 95, 10, 18}, {"->", 93, 26, 44}, {"y", 95, 52, 60}});
    const Readings::LineReading codeHan = line({{"x", 90, 10, 18}, {"Ag", 90, 26, 44}, {"y", 90, 52, 60}});
    EXPECT_EQ(SignWords::withWordsForSigns(code, {&codeHan, &codeHan}), "x -> y");
}

} // namespace
