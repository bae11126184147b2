// A number's separator where the two Chinese models wrote it apart: the ink decides, and
// nothing else is changed.
#include "OcrHelper/NumberSeparators.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NumberSeparators, WhereTheModelsWriteTheSeparatorApartTheInkDecides)
{
    const struct {
        const char* simplified;
        const char* traditional;
        std::optional<char> ink;
        const char* expected;
        bool asked; // whether the ink is looked at
    } cases[] = {
        {"全年营业收入为1.284亿元", "全年營業收入為1,284億元", ',', "全年营业收入为1,284亿元", true},
        {"全年营业收入为1,284亿元", "全年營業收入為1.284億元", ',', "全年营业收入为1,284亿元", true},
        {"圆周率约为3.142。", "圓周率約為3,142。", '.', "圆周率约为3.142。", true},
        {"全年营业收入为1.284亿元", "全年營業收入為1,284億元", std::nullopt, "全年营业收入为1.284亿元", true},
        // Written alike, or apart in more than the separator: the ink is not asked.
        {"全年营业收入为1.284亿元", "全年營業收入為1.284億元", ',', "全年营业收入为1.284亿元", false},
        {"全年营业收入为1.284亿元", "全年營業收入為1,294億元", ',', "全年营业收入为1.284亿元", false},
        {"共有1,284,600元", "共有1.284,600元", '.', "共有1,284,600元", false},
        // A piece of a longer number in the other reading is no match.
        {"增长1.284", "增長21,284", ',', "增长1.284", false},
        {"增长1.28", "增長1,28.5", ',', "增长1.28", false},
        // A full stop after the other's number ends its sentence; the number stands whole.
        {"利润为1.284", "利潤為1,284.", ',', "利润为1,284", true},
    };
    for (const auto& c : cases) {
        int asked = 0;
        const NumberSeparators::SeparatorInk ink = [&](const HanVariantChoice::Box&, int from, int to) {
            ++asked;
            EXPECT_LT(from, to);
            return c.ink;
        };
        const Readings::LineReading han = lineRead(c.simplified, {80}), other = lineRead(c.traditional, {80});
        EXPECT_EQ(NumberSeparators::withSeparatorsFromInk(han, other, ink), c.expected) << c.simplified;
        EXPECT_EQ(asked > 0, c.asked) << c.simplified;
    }
}

// Digits of ink standing on one baseline with a mark between two of them: a comma's
// tail reaches below the baseline, a point does not.
TEST(NumberSeparators, ACommaReachesBelowTheDigitsBaselineAPointDoesNot)
{
    constexpr int width = 60, height = 24, baseline = 18;
    const auto page = [&](int markBottom) {
        std::vector<unsigned char> grey(width * height, 250);
        const auto ink = [&](int left, int right, int top, int bottom) {
            for (int y = top; y <= bottom; ++y)
                for (int x = left; x <= right; ++x)
                    grey[size_t(y * width + x)] = 30;
        };
        for (const int left : {4, 20, 30, 40})
            ink(left, left + 6, 8, baseline); // digits
        ink(14, 15, baseline - 1, markBottom); // the mark between the first two
        return grey;
    };
    const HanVariantChoice::Box line{0, 2, width, 23};
    const std::vector<unsigned char> comma = page(baseline + 3), point = page(baseline), blank(width * height, 250);
    EXPECT_EQ(NumberSeparators::separatorOnPage({comma.data(), width, height}, line, 7, 43), ',');
    EXPECT_EQ(NumberSeparators::separatorOnPage({point.data(), width, height}, line, 7, 43), '.');
    EXPECT_EQ(NumberSeparators::separatorOnPage({blank.data(), width, height}, line, 7, 43), std::nullopt);
}

} // namespace
