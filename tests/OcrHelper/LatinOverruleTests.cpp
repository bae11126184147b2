// The Latin engine's reading of a word with digits against the plain engine's: a sure or
// alike reading of the place takes over, but for a number the plain engine read very
// surely, which a less sure reading of other digits, or one that drops some of its
// digits, does not turn into another number.
#include "OcrHelper/LatinOverrule.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

struct Reading {
    const char32_t* plain;
    float plainSure;
    bool number;
    const char32_t* latin;
    float latinSure;
    bool overrules;
    // How surely a Chinese model read the very same word there; below zero: it did not.
    float backedAt = -1;
};

// Each case's Latin reading against its plain one, as `overrules` says it should go.
void expectEach(const std::vector<Reading>& cases)
{
    for (const Reading& c : cases)
        EXPECT_EQ(LatinOverrule::overrules(c.plain, c.plainSure, c.number, c.latin, c.latinSure, c.backedAt), c.overrules)
            << std::u32string(c.plain).size() << " plain at " << c.plainSure << ", Latin at " << c.latinSure << ", backed at "
            << c.backedAt;
}

TEST(LatinOverrule, ASureOrAlikeLatinReadingTakesOverButNotFromANumberReadVerySurely)
{
    const std::vector<Reading> cases{
        // A number read very surely stands against other digits read less surely, and
        // against a reading that left a digit out, however sure.
        {U"59741", 92, true, U"89741", 74, false},
        {U"188", 93, true, U"18", 97, false},
        {U"1,284.50", 95, true, U"1,28.50", 88, false},
        // A number read surely stands against its own digits with a sign left out; one
        // read less surely, or a word that is no number, gives way.
        {U"19:43", 84, true, U"1943", 89, false},
        {U"1,284.50", 82, true, U"128450", 91, false},
        {U"19:43", 70, true, U"1943", 89, true},
        {U"v2.3.1", 88, false, U"v231", 90, true},
        // Other digits read more surely, or a number read less surely, still give way.
        {U"29", 92, true, U"20", 95, true},
        {U"998", 88, true, U"008", 81, true},
        {U"424933274", 80, true, U"424033274", 93, true},
        // A reading with a sign or a letter the plain engine made a digit of, or with
        // digits it lost, is another word, not a guess at the same digits.
        {U"6", 97, true, U"60%", 93, true},
        {U"286", 95, true, U"28G", 77, true},
        // Not a number: a hash or a date read very surely gives way as before.
        {U"687996c", 92, false, U"687096c", 75, true},
        {U"2926-97-19", 92, false, U"2026-07-19", 87, true},
        // A reading the Latin engine is neither sure of nor alike in length never takes over.
        {U"1518", 60, true, U"+1518", 75, false},
        {U"4206", 93, true, U"4206", 99, false},
    };
    expectEach(cases);
}

TEST(LatinOverrule, AWordAChineseModelReadTheSameAtLeastAsSurelyStandsButForTheMisreadingsTheyShare)
{
    const std::vector<Reading> cases{
        // Backed at least as surely as the Latin engine read otherwise: the plain word stands.
        {U"DE51", 93, false, U"DES1", 88, false, 93},
        {U"M5M-4395", 91, false, U"MSM-4395", 85, false, 91},
        {U"781", 83, true, U"784", 75, false, 85},
        {U"177.9", 71, true, U"17.9", 81, false, 91},
        // Backed less surely, or not at all: the Latin reading takes over as before.
        {U"DE51", 93, false, U"DES1", 88, true, 80},
        {U"781", 83, true, U"784", 75, true, -1},
        // The misreadings the Chinese models share with the plain engine: a "9" for a "0",
        // another sign for a currency sign, a point for a colon, a letter's case, a
        // percent sign read as digits.
        {U"8388229", 78, true, U"8388220", 86, true, 90},
        {U"RMA-2922-4777", 80, false, U"RMA-2022-4777", 79, true, 83},
        {U"#19.39", 92, true, U"\u00A519.39", 88, true, 92},
        {U"08.07", 88, true, U"08:07", 81, true, 90},
        {U"ttL=64", 85, false, U"ttl=64", 70, true, 82},
        {U"-929%", 85, true, U"-92%", 83, true, 85},
        // A decimal point the Latin engine read as a comma, leaving no number, never takes
        // over; a comma that makes one a number does.
        {U"-24.3%", 38, true, U"-24,3%", 74, false, -1},
        {U"1293,350.67", 88, false, U"1,293,350.67", 90, true, -1},
    };
    expectEach(cases);
}

TEST(LatinOverrule, OnlyANumberWithTheSignsBeforeItLeftOutHasLostItsSigns)
{
    const std::vector<std::tuple<const char32_t*, const char32_t*, bool>> cases{
        {U"-72%", U"72%", true},
        {U"\u00A546.80", U"46.80", true},
        {U"-\u00A512.24", U"12.24", true},
        {U"+1,284.50", U"1,284.50", true},
        {U"\u22122.5\u2030", U"2.5\u2030", true},
        // Another sign, other digits, or something left out besides the sign.
        {U"\u00A546.80", U"$46.80", false},
        {U"-72%", U"73%", false},
        {U"-72%", U"72", false},
        {U"-\u00A512.24", U"\u00A512.24", false},
        // Nothing left out, nothing but signs before it, or no number left.
        {U"72%", U"72%", false},
        {U"#28840", U"28840", false},
        {U"-v2.3", U"v2.3", false},
        {U"-2026-07-19", U"2026-07-19", false},
        {U"-", U"", false},
    };
    for (const auto& [plain, latin, lost] : cases)
        EXPECT_EQ(LatinOverrule::signsLeftOut(plain, latin), lost) << std::u32string(plain).size() << " / " << std::u32string(latin).size();
}

} // namespace
