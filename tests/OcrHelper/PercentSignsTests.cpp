// Percent signs in Han lines, with what the ink says given: the signs the Chinese
// models read as digits come back, and numbers read right keep their digits whatever
// the ink is taken to say.
#include "OcrHelper/PercentSigns.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

// Ink that shows a sign after `digits` wherever it is asked.
PercentSigns::SignInk signAfter(const char* digits)
{
    return [number = digits ? std::optional<std::u32string>(HanText::decoded(digits)) : std::nullopt](
               const HanVariantChoice::Box&, const HanVariantChoice::Box&, const std::u32string&) { return number; };
}

struct Case {
    const char* han;
    float confidence; // of the Chinese model's words
    const char* latin; // read where the number starts
    const char* inkDigits; // the number the ink shows before a sign; null: no sign
    const char* expected;
};

std::string withSigns(const Case& c)
{
    const Readings::LineReading han = lineRead(c.han, {c.confidence});
    // The number starts after the ideographs before it, ten pixels each.
    const size_t before = HanText::decoded(c.han).find_first_of(U"0123456789");
    const Readings::LineReading latin = lineRead(c.latin, {95}, 0, int(before) * 10);
    return PercentSigns::withPercentSigns(han, latin, signAfter(c.inkDigits));
}

TEST(PercentSigns, SignsReadAsDigitsComeBackAndNumbersReadRightStay)
{
    const Case cases[] = {
        // Mended by the ink.
        {"营业收入增长了12.496，利润", 62, "", "12.4", "营业收入增长了12.4%，利润"},
        {"利润下降596，共", 0, "", "5", "利润下降5%，共"},
        // Mended by the Latin engine's reading of the place, the ink saying nothing.
        {"利润下降596，共", 30, "5%", nullptr, "利润下降5%，共"},
        // A sure reading, but the Latin engine read a sign there.
        {"利润下降596，共", 92, "5%", "5", "利润下降5%，共"},
        // Left: a sign of its own after the number.
        {"比去年增长10‰，比", 90, "", "10", "比去年增长10‰，比"},
        {"比去年增长10‰，比", 40, "", "10", "比去年增长10‰，比"},
        {"气温是30℃左右", 40, "", "3", "气温是30℃左右"},
        // Left: a plain number read surely, and alike by the Latin engine.
        {"已有596年历史", 92, "596", "5", "已有596年历史"},
        {"共有1,284,600元", 90, "1,284,600", "1,284,60", "共有1,284,600元"},
        {"共有1,284,600元", 90, "", nullptr, "共有1,284,600元"},
        // Mended: read surely by one model only ("3%" read "396" in small type).
        {"成本下降396。", 90, "", "3", "成本下降3%。"},
        {"成本下降396。", 90, "39", "3", "成本下降3%。"},
        // Mended: the Latin engine read the full stop after the sign as a digit.
        {"支持率为68.39@。", 60, "68.3%0", nullptr, "支持率为68.3%。"},
        // Left: the Latin engine read another number with its sign.
        {"支持率为68.39@。", 60, "68.39%0", nullptr, "支持率为68.39@。"},
        // Mended: the sign read as a lone "9", and the Latin engine read the sign there.
        {"装备制造业增长6.09。", 60, "I.0%", nullptr, "装备制造业增长6.0%。"},
        // Left: a lone 9 the Latin engine read as a digit, or read nothing of.
        {"装备制造业增长6.09。", 60, "6.09", nullptr, "装备制造业增长6.09。"},
        {"装备制造业增长6.09。", 60, "", nullptr, "装备制造业增长6.09。"},
        {"装备制造业增长6.09%。", 60, "6.09%", nullptr, "装备制造业增长6.09%。"},
        // Left: no sign anywhere.
        {"我们在2024年", 50, "", nullptr, "我们在2024年"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withSigns(c), c.expected) << c.han << " at " << c.confidence;
}

TEST(PercentSigns, APercentSignWithBothOfAPerMilleSignsCirclesIsThatSign)
{
    const Case cases[] = {
        // The ink's percent sign is the per mille sign's stroke and upper circle.
        {"\u4E1C\u5317\u5360\u6BD45.5%0o", 59, "", "5.5", "\u4E1C\u5317\u5360\u6BD45.5%0o"},
        {"\u9000\u8D27\u738718.53%oo\uFF0C", 40, "", "18.53", "\u9000\u8D27\u738718.53%oo\uFF0C"},
        // One circle is the full stop the model made a letter of, before a stop too.
        {"\u5229\u6DA6\u589E\u52A012%o", 60, "", "12", "\u5229\u6DA6\u589E\u52A012%"},
        {"\u6210\u672C\u4E0B\u964D3%o\u3002", 60, "", "3", "\u6210\u672C\u4E0B\u964D3%\u3002"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withSigns(c), c.expected) << c.han << " at " << c.confidence;
}

} // namespace
