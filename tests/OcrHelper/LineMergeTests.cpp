// Which engine's reading a line is taken from, and the page's text made of the
// engines' readings: a price's 元 keeps the line in its script, a Latin line a Chinese
// model spotted with an ideograph stays Latin.
#include "OcrHelper/LineMerge.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

struct LinePair {
    const char* han;
    std::vector<float> hanConfidences;
    const char* latin; // null: the Latin engine found no line there
    std::vector<float> latinConfidences;
    bool isHan;
};

TEST(LineMerge, ALineIsHanOnTheEvidenceOfItsIdeographs)
{
    const LinePair cases[] = {
        // Prices: one 元 each, read surely, where the Latin engine is unsure of its "7,".
        {"iPhone 15 Pro 7999元", {93, 93, 89, 92}, "iPhone 15 Pro 79997,", {55, 33, 33, 60}, true},
        {"MacBook Air M3 7499元", {92, 85, 85, 92}, "MacBook Air M3 749975", {96, 57, 56, 45}, true},
        {"500元。", {91}, "5007E.", {0}, true},
        {"2024年6月，公司的营业收入", {90, 88}, "2024464, 7 Sst", {40, 20, 10}, true},
        {"服务器 OK", {90, 90}, nullptr, {}, true},
        {"Total 48 items", {90, 90, 90}, nullptr, {}, true}, // nothing else read it
        // A Latin line a Chinese model made an ideograph of a letter in.
        {"Order 48213 shipped 了", {88, 90, 91, 40}, "Order 48213 shipped !", {95, 96, 95, 90}, false},
        {"Open 目 now", {90, 85, 90}, "Open B now", {96, 93, 96}, false},
        {"Order 48213 shipped", {88, 90, 91}, "Order 48213 shipped", {95, 96, 95}, false},
    };
    for (const LinePair& c : cases) {
        const Readings::LineReading han = lineRead(c.han, c.hanConfidences);
        const Readings::LineReading latin = c.latin ? lineRead(c.latin, c.latinConfidences) : Readings::LineReading{};
        EXPECT_EQ(LineMerge::isHanLine(han, c.latin ? &latin : nullptr), c.isHan) << c.han;
    }
}

Readings::EngineReading engine(const char* language, std::vector<Readings::LineReading> lines)
{
    return {language, true, std::move(lines)};
}

TEST(LineMerge, APriceListKeepsItsPricesAsTheChineseModelReadThem)
{
    const std::vector<Readings::EngineReading> readings = {
        engine("eng",
               {lineRead("iPhone 15 Pro 79997,", {55, 33, 33, 60}, 0), lineRead("MacBook Air M3 749975", {96, 57, 56, 45}, 40),
                lineRead("Order 48213 shipped on 2024-06-17", {95, 96, 95, 93, 91}, 80)}),
        engine("chi_sim",
               {lineRead("iPhone 15 Pro 7999元", {93, 93, 89, 92}, 0), lineRead("MacBook Air M3 7499元", {92, 85, 85, 92}, 40),
                lineRead("0rder 482l3 shipped 0n 2024-06-17", {60, 50, 80, 40, 70}, 80)}),
    };
    const std::vector<unsigned char> paper(200 * 100, 255);
    HanVariantChoice::Chooser variants({paper.data(), 200, 100});
    const auto noSign = [](const HanVariantChoice::Box&, const HanVariantChoice::Box&, const std::u32string&) {
        return std::optional<std::u32string>();
    };
    EXPECT_EQ(LineMerge::merge(readings, variants, noSign),
              "iPhone 15 Pro 7999元\nMacBook Air M3 7499元\nOrder 48213 shipped on 2024-06-17\n");
}

TEST(LineMerge, ALineCutInTwoComesBackOnceAndALineOneEngineMissedComesBack)
{
    // The Simplified model cut "price: float = 0.0" and "return 0.0" in two and missed
    // "sku: int"; the Latin engine read them whole. A line only an unsure engine read
    // stays out.
    const std::vector<Readings::EngineReading> readings = {
        engine("chi_sim",
               {lineRead("class Item:", {90, 90}, 0), lineRead("price: fLoat", {87, 80}, 80), lineRead("= 9.9", {71, 71}, 80, 130),
                lineRead("return", {80}, 120), lineRead("9.9", {60}, 120, 70)}),
        engine("eng",
               {lineRead("class Item:", {96, 96}, 0), lineRead("sku: int", {96, 96}, 40), lineRead("price: float = 0.0", {94, 94, 94, 94}, 80),
                lineRead("return 0.0", {95, 95}, 120), lineRead("Sa", {30}, 160)}),
    };
    const std::vector<unsigned char> paper(300 * 200, 255);
    HanVariantChoice::Chooser variants({paper.data(), 300, 200});
    const auto noSign = [](const HanVariantChoice::Box&, const HanVariantChoice::Box&, const std::u32string&) {
        return std::optional<std::u32string>();
    };
    EXPECT_EQ(LineMerge::merge(readings, variants, noSign), "class Item:\nsku: int\nprice: float = 0.0\nreturn 0.0\n");
}

TEST(LineMerge, ALineCutInsideAGlyphComesBackWholeInItsOrderWithTheGlyphOnce)
{
    // The layout cut each line inside a glyph both pieces read (the "d" and quote of
    // "word", the "=") and handed the first line's pieces right one first.
    const std::vector<Readings::EngineReading> readings = {
        engine("eng", {lineRead("d \"E31\" where we expected English.", {90, 90, 90, 90, 90}, 0, 195),
                       lineRead("Her note used the word \"", {95, 95, 95, 95, 95, 95}, 2, 0),
                       lineRead("double rate =", {96, 96, 96}, 40, 0), lineRead("= 8.31;", {95, 95}, 40, 112)}),
    };
    const std::vector<unsigned char> paper(500 * 100, 255);
    HanVariantChoice::Chooser variants({paper.data(), 500, 100});
    const auto noSign = [](const HanVariantChoice::Box&, const HanVariantChoice::Box&, const std::u32string&) {
        return std::optional<std::u32string>();
    };
    EXPECT_EQ(LineMerge::merge(readings, variants, noSign),
              "Her note used the word \" E31\" where we expected English.\ndouble rate = 8.31;\n");
}

} // namespace
