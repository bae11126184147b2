// The engines' readings of a per mille sign after a number come back as the sign; a
// percent sign with a letter or a digit that belongs to a longer word stays as it is.
#include "OcrHelper/PerMilleSigns.h"

#include <gtest/gtest.h>

namespace {

TEST(PerMilleSigns, APercentSignWithACircleAfterANumberIsThePerMilleSign)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        {"North 15,135.50 93% 6.52%e", "North 15,135.50 93% 6.52\u2030"},
        {"East 22.82%0", "East 22.82\u2030"},
        {"Returns 1.1%o, 20%o.", "Returns 1.1\u2030, 20\u2030."},
        {"\u8FD4\u5229 3.6%0\u3002", "\u8FD4\u5229 3.6\u2030\u3002"},
        {"North 93% 6.52%", "North 93% 6.52%"},
        {"12%off 5%of", "12%off 5%of"},
        {"printf(\"%0d %e\", n);", "printf(\"%0d %e\", n);"},
        {"South 92.2% 13.25%o0", "South 92.2% 13.25\u2030"},
        {"Returns 18.53%oo; 0.3%0o", "Returns 18.53\u2030; 0.3\u2030"},
        {"x = 5%o0d", "x = 5%o0d"},
        {"50%00 x", "50%00 x"},
        {"15%e3", "15%e3"},
        // The sign read with its lower circle once more after it.
        {"\u6295\u8BC9\u7387\u4EC50.6\u2030o\u3002", "\u6295\u8BC9\u7387\u4EC50.6\u2030\u3002"},
        {"Returns 1.2\u2030e, 3\u20300", "Returns 1.2\u2030, 3\u2030"},
        {"10\u20300d 10\u2030 10\u2030off", "10\u20300d 10\u2030 10\u2030off"},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(PerMilleSigns::withPerMilleSigns(line), expected) << line;
}

TEST(PerMilleSigns, APercentSignAloneReadsThePerMilleSignAnotherEngineReadWithItsCircles)
{
    const std::vector<std::tuple<const char*, const char*, bool>> cases{
        {"29.25%o", "29.25%", true},  {"21.07%e", "21.07%", true}, {"1%0", "1%", true},    {"13.25%o0", "13.25%", true},
        {"29.25%", "29.25%", false},  {"29.25%o", "29.2%", false}, {"29.25%o", "29.25", false}, {"12%off", "12%", false},
        {"5%o0d", "5%", false},       {"50%00", "50%", false},     {"%o", "%", false},
    };
    for (const auto& [word, percent, same] : cases)
        EXPECT_EQ(PerMilleSigns::withCircles(word, percent), same) << word << " / " << percent;
}

} // namespace
