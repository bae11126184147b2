// Percent signs in Latin lines, with what the ink says given: a sign the Latin engine
// read as digits after a decimal number comes back, and whole numbers, numbers read
// right and words with letters stay whatever the ink is taken to say.
#include "OcrHelper/LatinPercentSigns.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Ink that shows a sign after the digits given for each number asked about (by the
// number as read), and no sign after any other.
PercentSigns::SignInk signsAfter(std::map<std::string, std::string> digits)
{
    return [digits = std::move(digits)](const HanVariantChoice::Box&, const HanVariantChoice::Box&,
                                        const std::u32string& number) -> std::optional<std::u32string> {
        const auto found = digits.find(HanText::encoded(number));
        if (found == digits.end())
            return std::nullopt;
        return HanText::decoded(found->second);
    };
}

TEST(LatinPercentSigns, SignsReadAsDigitsAfterADecimalNumberComeBackAndAllElseStays)
{
    const struct {
        const char* read;
        std::map<std::string, std::string> ink; // number read -> digits before the sign seen
        const char* expected;
    } cases[] = {
        // Mended: what the engine makes of the sign, with the ink showing one.
        {"within 0.496 of release", {{"0.496", "0.4"}}, "within 0.4% of release"},
        {"within 0.436 of release", {{"0.436", "0.4"}}, "within 0.4% of release"},
        {"within 0.49% of release", {{"0.49%", "0.4"}}, "within 0.4% of release"},
        {"within 0.4%6 of release", {{"0.4%6", "0.4"}}, "within 0.4% of release"},
        {"rose 12.5%6, then fell", {{"12.5%6", "12.5"}}, "rose 12.5%, then fell"},
        {"a drop (1.296) at most", {{"1.296", "1.2"}}, "a drop (1.2%) at most"},
        {"at 9.9696 and 0.496.", {{"9.9696", "9.96"}, {"0.496", "0.4"}}, "at 9.96% and 0.4%."},
        // Left: the ink shows no sign.
        {"the index rose to 0.496 today", {}, "the index rose to 0.496 today"},
        // Left: a number read with its sign, which the ink shows where it was read.
        {"up 9.96% and 0.49%", {{"9.96%", "9.96"}, {"0.49%", "0.49"}}, "up 9.96% and 0.49%"},
        // Left: whole numbers, however the ink is taken ("1996" a year, "96%" a count).
        {"In 1996 it was 96% of 596", {{"1996", "19"}, {"96%", "9"}, {"596", "5"}}, "In 1996 it was 96% of 596"},
        // Left: thousands, not a decimal part ("1,096").
        {"with 1,096 samples", {{"1,096", "1,0"}}, "with 1,096 samples"},
        // Left: ink that would take the decimal part for the sign ("1.96" as "1%").
        {"costs $1.96 each", {{"1.96", "1"}}, "costs $1.96 each"},
        // Left: a per mille sign, its lower circle read as a zero, whatever the ink shows
        // of its upper part.
        {"rate 9.7%0 and 20.09%00", {{"9.7%0", "9.7"}, {"20.09%00", "20.09"}}, "rate 9.7%0 and 20.09%00"},
        // Left: words with letters ("1.5h", "v1.796") are not numbers.
        {"took 1.5h with v1.796", {{"1.5h", "1"}, {"v1.796", "1.7"}, {"1.796", "1.7"}}, "took 1.5h with v1.796"},
    };
    for (const auto& c : cases) {
        const Readings::LineReading latin = lineRead(c.read, {90});
        const Readings::LineReading mended = LatinPercentSigns::withPercentSigns(latin, signsAfter(c.ink));
        EXPECT_EQ(mended.text, c.expected) << c.read;
        // The words say what the line says, for the rules that read them after this one.
        std::string words;
        for (const Readings::WordReading& word : mended.words)
            words += (words.empty() ? "" : " ") + word.text;
        EXPECT_EQ(words, c.expected) << c.read;
    }
}

TEST(LatinPercentSigns, ALineWhoseWordsDoNotSpellItStaysAsRead)
{
    Readings::LineReading latin = lineRead("within 0.496 of release", {90});
    latin.text = "within 0.496 of re1ease"; // the line read apart from its words
    const auto ink = signsAfter({{"0.496", "0.4"}});
    EXPECT_EQ(LatinPercentSigns::withPercentSigns(latin, ink).text, "within 0.496 of re1ease");
    EXPECT_EQ(LatinPercentSigns::withPercentSigns(lineRead("within 0.496 of release", {90}), {}).text, "within 0.496 of release");
}

} // namespace
