// A page the plain reading found no ideograph on is Latin text alone; one ideograph
// anywhere, or no reading at all, and it is not.
#include "OcrHelper/LatinPage.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

TEST(LatinPage, OnlyAPageThePlainEngineReadWithoutAnIdeographIsLatin)
{
    struct Case {
        bool started;
        std::vector<std::string> lines;
        bool latin;
    };
    const std::vector<Case> cases{
        {true, {"Invoice 2026-0142", "Subtotal \u20AC1,969.19", "VAT 7% \u20AC137.84"}, true},
        {true, {"Her note used the word \"\u8CEA\u91CF\" where we expected English."}, false},
        {true, {"Total 12.00", "\u5408\u8BA1 16\u4EF6 652.46\u5143"}, false},
        {true, {}, false},
        {false, {"Total 12.00"}, false},
    };
    for (const Case& c : cases) {
        Readings::EngineReading plain{"chi_sim+chi_tra+eng", c.started, {}};
        int top = 0;
        for (const std::string& text : c.lines) {
            plain.lines.push_back(lineRead(text, {}, top));
            top += 30;
        }
        EXPECT_EQ(LatinPage::isLatin(plain), c.latin) << (c.lines.empty() ? "(no lines)" : c.lines.back());
    }
}

} // namespace
