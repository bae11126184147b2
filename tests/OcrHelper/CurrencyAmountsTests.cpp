// Prices among ideographs: the Latin engine's amount stands where the Chinese model made
// an ideograph, a letter or nothing of its currency sign, and only there.
#include "OcrHelper/CurrencyAmounts.h"
#include "OcrHelper/LineMerge.h"

#include <gtest/gtest.h>

namespace {

TEST(CurrencyAmounts, AnAmountIsACurrencySignBeforeANumber)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        {"\u00A527.37", "\u00A527.37"},   {" \u00A527.66", "\u00A527.66"},   {"-\u00A53.00", "-\u00A53.00"},
        {"\uFFE51,245.71", "\uFFE51,245.71"}, {"\u2212\u20AC146.31", "\u2212\u20AC146.31"}, {"Y27.37", ""},
        {"27.37", ""},                   {"8\u00A512.50", ""},             {"\u00A527.37\u00A5", ""},
        {"\u00A5", ""},                  {"-\u00A5", ""},                  {"\u00A51,2,3", ""},
    };
    for (const auto& [word, expected] : cases)
        EXPECT_EQ(CurrencyAmounts::amount(word), expected) << word;
}

TEST(CurrencyAmounts, AmountsRunIntoStrokesOrIntoEachOtherAreTheAmountsAlone)
{
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases{
        {"=\u00A5399.23", {"\u00A5399.23"}},
        {"\u2014\u00A5306.24", {"\u00A5306.24"}},
        {"\u00A522.50-\u00A5135.00", {"\u00A522.50", "-\u00A5135.00"}},
        {"\u00A526.53~\u00A526.53.", {"\u00A526.53", "\u00A526.53"}},
        // An amount as it is, and amounts beside digits, letters or blanks, are no run-on.
        {"\u00A54.50", {}},
        {"-\u00A53.00", {}},
        {"1\u00A54.50", {}},
        {"a\u00A51.50", {}},
        {"\u00A51.50x", {}},
        {"\u00A51.50-2.00", {}},
        {"\u00A51.50- \u00A52.00", {}},
        {"=\u00A5", {}},
        {"399.23", {}},
    };
    for (const auto& [word, expected] : cases)
        EXPECT_EQ(CurrencyAmounts::amountsRunOn(word), expected) << word;
}

TEST(CurrencyAmounts, TheLatinAmountStandsOnlyWhereTheChineseWordLostTheSignAndTheDigitsBesideIt)
{
    struct Case {
        const char* han;
        float hanSure;
        const char* latin;
        float latinSure;
        const char* expected;
    };
    const std::vector<Case> cases{
        // The sign read as a letter or signs, or lost with the digit next to it.
        {"Y#11.98", 0, "\u00A511.98", 49, "\u00A511.98"},
        {"#290.22", 0, "\u00A5290.22", 35, "\u00A5290.22"},
        {"620.66", 0, "\u00A5620.66", 30, "\u00A5620.66"},
        {"7.37", 0, "\u00A527.37", 20, "\u00A527.37"},
        // A minus the Chinese model did not see is a stroke of the sign; one it saw stays.
        {"7.37", 0, "-\u00A527.37", 20, "\u00A527.37"},
        {"-3.00", 10, "-\u00A53.00", 40, "-\u00A53.00"},
        // The yen sign read as a Y before the same figures, however sure the model is.
        {"Y69.50", 71, "\u00A569.50", 2, "\u00A569.50"},
        {"y33.00", 75, "-\u00A533.00", 9, "\u00A533.00"},
        {"Y69.50", 71, "$69.50", 2, ""},
        {"Y69.50", 71, "\u00A569.30", 2, ""},
        // Not where the model is the surer, nor where the digits differ otherwise.
        {"2.50", 75, "\u00A512.50", 2, ""},
        {"54.17", 40, "\u00A564.17", 45, ""},
        {"1,160.88", 10, "\u00A5160.88", 45, ""},
        {"27.37", 10, "Y27.37", 45, ""},
        {"#", 10, "\u00A527.37", 45, ""},
    };
    for (const Case& c : cases) {
        const Readings::WordReading han{{0, 0, 50, 14}, c.han, c.hanSure, {}};
        const Readings::WordReading latin{{0, 0, 50, 14}, c.latin, c.latinSure, {}};
        EXPECT_EQ(CurrencyAmounts::forHanWord(han, latin), c.expected) << c.han << " / " << c.latin;
    }
}

Readings::LineReading line(std::vector<Readings::WordReading> words)
{
    Readings::LineReading out;
    for (const Readings::WordReading& word : words) {
        out.text += (out.text.empty() ? "" : " ") + word.text;
        out.box.right = std::max(out.box.right, word.box.right);
        out.box.bottom = 18;
    }
    out.words = std::move(words);
    return out;
}

TEST(CurrencyAmounts, APriceRowKeepsItsIdeographsAndTakesTheLatinAmounts)
{
    const Readings::LineReading han = line({{{0, 0, 40, 18}, "\u77FF\u6CC9\u6C34", 95, {}},
                                            {{130, 2, 140, 16}, "6", 90, {}},
                                            {{175, 2, 225, 16}, "7.37", 0, {}},
                                            {{275, 2, 325, 16}, "Y#75.00", 0, {}}});
    const Readings::LineReading latin = line({{{0, 0, 40, 18}, "WRK", 59, {}},
                                              {{130, 2, 140, 16}, "6", 90, {}},
                                              {{175, 2, 225, 16}, "-\u00A527.37", 20, {}},
                                              {{275, 2, 325, 16}, "\u00A575.00", 45, {}}});
    EXPECT_EQ(LineMerge::withLatinWords(han, latin), "\u77FF\u6CC9\u6C34 6 \u00A527.37 \u00A575.00");
}

} // namespace
