// The two forms of one ideograph: found in either order, a Simplified form with
// several Traditional ones gives them all, and characters written alike in both
// scripts, or paired with another character's form, are no pair.
#include "OcrHelper/HanVariantPairs.h"

#include <gtest/gtest.h>

namespace {

TEST(HanVariantPairs, FindsTheTwoFormsOfACharacterInEitherOrder)
{
    struct Case {
        char32_t a, b;
        bool pair;
    };
    const Case cases[] = {
        {U'号', U'號', true},  {U'號', U'号', true},  {U'电', U'電', true}, {U'缩', U'縮', true},
        {U'发', U'髮', true},  {U'发', U'發', true},  {U'号', U'呈', false}, {U'電', U'號', false},
        {U'中', U'中', false}, {U'额', U'颜', false}, {U'A', U'a', false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HanVariantPairs::arePair(c.a, c.b), c.pair) << uint32_t(c.a) << " " << uint32_t(c.b);
}

TEST(HanVariantPairs, GivesEveryFormOfTheOtherScript)
{
    struct Case {
        char32_t c;
        std::u32string forms;
    };
    const Case cases[] = {{U'号', U"號"}, {U'號', U"号"}, {U'中', U""}, {U'7', U""}};
    for (const Case& c : cases)
        EXPECT_EQ(HanVariantPairs::counterparts(c.c), c.forms) << uint32_t(c.c);
    const std::u32string hair = HanVariantPairs::counterparts(U'发');
    EXPECT_NE(hair.find(U'發'), std::u32string::npos);
    EXPECT_NE(hair.find(U'髮'), std::u32string::npos);
}

} // namespace
