// The plain reading as a floor: a number the engine of the three languages read surely
// is not lost or changed by the rules' text, and what the rules read from the ink and the
// other engines (a percent sign, the ideograph after a number, separators) stands.
#include "OcrHelper/PlainFloor.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

TEST(PlainFloor, OnlyAWordShapedLikeANumberIsOne)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        {"734003200", "734003200"}, {"\u20AC645.50", "645.50"},  {"\u2212\u20AC146.31", "146.31"}, {"(5%)", "5"},
        {"35,787.08", "35,787.08"}, {"11.26\u2030", "11.26"},    {"14:02:55", "14:02:55"},         {"\u00A552.80", "52.80"},
        {"4459,", "4459"},          {"1g", ""},                  {"v2.3.1", ""},                   {"2026-12-08T14:", ""},
        {"3578,708", ""},           {"report.pdf", ""},          {"-", ""},                        {"#5G", ""},
    };
    for (const auto& [word, number] : cases)
        EXPECT_EQ(PlainFloor::wellFormedNumber(word), number) << word;
}

struct Case {
    const char* merged;        // the rules' line
    const char* plain;         // the plain reading of its place
    std::vector<float> sure;   // the plain engine's confidence in each of its words
    const char* expected;
};

TEST(PlainFloor, TheRulesTextKeepsEveryNumberThePlainReadingIsSureOf)
{
    const std::vector<Case> cases{
        // Numbers the rules changed or ran together come back as the plain engine read them.
        {"Early payment discount (59%) 1 410631", "Early payment discount (5%) 1 -\u20AC146.31", {90, 90, 90, 90, 90, 90},
         "Early payment discount (5%) 1 -\u20AC146.31"},
        {"Zoom ID 863 20714459", "Zoom ID 863 2071 4459", {90, 90, 90, 90, 90}, "Zoom ID 863 2071 4459"},
        {"1g - subtotal += item.price", "118 - subtotal += item.price", {91, 85, 95, 93, 93}, "118 - subtotal += item.price"},
        {"-rw-r--r-- 1 dev dev 734903200 Dec 8", "-rw-r--r-- 1 dev dev 734003200 Dec 8", {90, 92, 93, 93, 91, 91, 92},
         "-rw-r--r-- 1 dev dev 734003200 Dec 8"},
        {"North 35,787.08 3578708", "North 35,787.08 35,787.08", {90, 90, 90}, "North 35,787.08 35,787.08"},
        // A number the plain engine doubts gives way to the rules' reading.
        {"tool 3.14.2 built 734003200", "tool 3.14.2 built 734993299", {95, 95, 93, 60}, "tool 3.14.2 built 734003200"},
        // What the rules read from the ink and the other engines stands: a sign the
        // plain engine took for digits, the ideograph after a number, separators.
        {"\u5360\u6BD417%\uFF0C", "\u5360\u6BD4 1790,", {90, 85}, "\u5360\u6BD417%\uFF0C"},
        {"\u7F16\u53F71906\u53F7\u3002", "\u7F16\u53F7 19065.", {90, 93}, "\u7F16\u53F71906\u53F7\u3002"},
        {"North 1,240 1,580 +27.3%", "North 1,240 1.580 +27.3%", {90, 90, 85, 90}, "North 1,240 1,580 +27.3%"},
        // A line the rules read as the plain engine did stays as it is.
        {"Subtotal: \u20AC1,969.19", "Subtotal: \u20AC1,969.19", {92, 92}, "Subtotal: \u20AC1,969.19"},
    };
    for (const Case& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}), c.expected) << c.merged;
    }
}

TEST(PlainFloor, ALineOnlyThePlainReadingHasComesBackInItsPlace)
{
    Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {}};
    plain.lines = {lineRead("Subtotal 12.00", {92, 92}, 0), lineRead("Payment terms 30 days", {92, 92, 92, 92}, 40),
                   lineRead("Total 14.00", {92, 92}, 80), lineRead("~ ~", {20, 20}, 120)};
    const std::vector<LineMerge::PlacedLine> merged{{"Subtotal 12.00", {plain.lines[0].box}}, {"Total 14.00", {plain.lines[2].box}}};
    HanVariantChoice::Chooser variants({nullptr, 0, 0});
    EXPECT_EQ(PlainFloor::text(merged, plain, {}, variants), "Subtotal 12.00\nPayment terms 30 days\nTotal 14.00\n");
}

} // namespace
