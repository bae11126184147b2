// The plain reading as a floor: a number the engine of the three languages read surely
// is not lost or changed by the rules' text, and what the rules read from the ink and the
// other engines (a percent sign, the ideograph after a number, separators) stands.
#include "OcrHelper/PlainFloor.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

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
        // Not an ideograph the plain engine read itself after the number, in either script.
        {"\u4FEE\u5FA9\u4E8647\u500B\u554F\u984C", "\u4FEE\u5FA9 \u4E86 476 \u500B \u554F\u984C", {94, 97, 93, 93, 93},
         "\u4FEE\u5FA9\u4E86476\u500B\u554F\u984C"},
        {"\u4FEE\u590D\u4E8647\u4E2A\u95EE\u9898", "\u4FEE\u5FA9 \u4E86 476 \u500B \u554F\u984C", {94, 97, 93, 93, 93},
         "\u4FEE\u590D\u4E86476\u4E2A\u95EE\u9898"},
        {"North 1,240 1,580 +27.3%", "North 1,240 1.580 +27.3%", {90, 90, 85, 90}, "North 1,240 1,580 +27.3%"},
        {"\u8D2D\u7269\u888B 1 \u00A569.50 \u00A569.50", "\u8D2D\u7269\u888B 1 Y69.50 \u00A569.50", {90, 90, 88, 90},
         "\u8D2D\u7269\u888B 1 \u00A569.50 \u00A569.50"},
        // A line the rules read as the plain engine did stays as it is.
        {"Subtotal: \u20AC1,969.19", "Subtotal: \u20AC1,969.19", {92, 92}, "Subtotal: \u20AC1,969.19"},
        // A number stays in its cell: the cells the plain engine did not read, beside it,
        // keep their own characters.
        {"Retail 42,138.23 +13% 83.8% 2.7%", "Retail 42,138.23 2.7%", {90, 94, 60}, "Retail 42,138.23 +13% 83.8% 2.7%"},
        {"North 15,135.50 \u534180.0% 93% 6.52%e", "North 15,135.50 6.52%e", {93, 94, 54},
         "North 15,135.50 \u534180.0% 93% 6.52%e"},
        {"West 39,833.21 +13.5% 19.5%", "West 39,833.21", {93, 93}, "West 39,833.21 +13.5% 19.5%"},
        {"North 1,648.24 +5.4% 86%", "North 1,648.34 86%", {90, 83, 80}, "North 1,648.34 +5.4% 86%"},
        {"North 1,648.24 $5.4 86%", "North 1648.74 86%", {90, 83, 80}, "North 1648.74 $5.4 86%"},
        // A number the rules cut in two is one.
        {"Total 1 648.24", "Total 1648.24", {93, 88}, "Total 1648.24"},
    };
    for (const Case& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}), c.expected) << c.merged;
    }
}

TEST(PlainFloor, SignsBeforeASureNumberStandOnlyWhereANumberCouldBeWrittenWithThem)
{
    const std::vector<Case> cases{
        // A ruling or a cell's edge read as signs before a price whose edge the plain engine saw.
        {"\u5927\u7C73 2 -\u00A550.50", "\u5927\u7C73 2 \u00A550.50", {90, 90, 90}, "\u5927\u7C73 2 \u00A550.50"},
        {"Freight ~--\u20AC1,245.71", "Freight \u20AC1,245.71", {90, 90}, "Freight \u20AC1,245.71"},
        {"Total -_9,089,335.70 12%", "Total 9,089,335.70 12%", {90, 90, 90}, "Total 9,089,335.70 12%"},
        {"North --2,298,548.50", "North 2,298,548.50", {90, 90}, "North 2,298,548.50"},
        // Nor where the first of them lines up with a digit of the word before it.
        {"workshop 1 \u20AC1,245.71 0% ~\u2014\u2014\u20AC1,245.71", "workshop 1 \u20AC1,245.71 096 \u20AC1,245.71", {90, 90, 90, 42, 21},
         "workshop 1 \u20AC1,245.71 0% \u20AC1,245.71"},
        // A minus or a currency sign the plain engine lost before a bare number stays.
        {"Refund -\u00A3696.24", "Refund 696.24", {90, 90}, "Refund -\u00A3696.24"},
        {"Balance -1,204.00", "Balance 1,204.00", {90, 90}, "Balance -1,204.00"},
        {"Fee $226.50", "Fee 226.50", {90, 90}, "Fee $226.50"},
        // A sign away from the number, with a blank between, is another word.
        {"a - \u00A512.00", "a - \u00A512.00", {90, 90, 90}, "a - \u00A512.00"},
        // A reading the plain engine doubts still shows where the number starts.
        {"Workshop 1 ~\u2014\u2014\u20AC1,245.71", "Workshop 1 61245.71", {90, 90, 56}, "Workshop 1 \u20AC1,245.71"},
        {"Total -_9,089,335.70", "Total 9.089,335.70", {90, 40}, "Total 9,089,335.70"},
        {"Refund -\u00A3696.24", "Refund 696.94", {90, 40}, "Refund -\u00A3696.24"},
        {"Ticket #44582", "Ticket 44582", {90, 40}, "Ticket #44582"},
    };
    for (const Case& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}), c.expected) << c.merged;
    }
}

struct Witnessed {
    const char* merged;        // the rules' line
    const char* plain;         // the plain reading of its place
    std::vector<float> sure;   // the plain engine's confidence in each of its words
    const char* latin;         // the Latin engine's reading of a stretch of the place
    int latinLeft;             // where that stretch starts
    float latinSure;
    const char* expected;
};

TEST(PlainFloor, AWordWithDigitsStandsWhereThePlainEngineIsSureOrTheLatinEngineAgrees)
{
    const std::vector<Witnessed> cases{
        // Codes, hashes and sizes the plain engine is sure of, whatever their shape.
        {"Resolution 1280\u00AB1024", "Resolution 1280x1024", {92, 92}, "", 0, 0, "Resolution 1280x1024"},
        {"commit fdSbe25 (HEAD)", "commit fd5be25 (HEAD)", {90, 92, 90}, "", 0, 0, "commit fd5be25 (HEAD)"},
        {"IPe7 rated", "IP67 rated", {88, 90}, "", 0, 0, "IP67 rated"},
        {"tag ~v2.3.1-rc4.", "tag v2.3.1-rc4.", {90, 90}, "", 0, 0, "tag v2.3.1-rc4."},
        // A price the plain engine doubts, read alike by the Latin engine at its place.
        {"\u5927\u7C73 1 #54.94", "\u5927\u7C73 1 \u00A554.94", {90, 90, 46}, "\u00A554.94", 40, 46, "\u5927\u7C73 1 \u00A554.94"},
        {"\u5927\u7C73 1 54.94", "\u5927\u7C73 1 \u00A554.94", {90, 90, 46}, "\u00A554.94", 40, 46, "\u5927\u7C73 1 \u00A554.94"},
        {"Pro _7999\u5143", "Pro 799975", {90, 72}, "799975", 45, 72, "Pro _7999\u5143"},
        {"\u5927\u7C73 4 \u516D5.52", "\u5927\u7C73 4 \u00A515.52", {90, 90, 78}, "\u00A515.52", 40, 78, "\u5927\u7C73 4 \u00A515.52"},
        // Its currency sign read as a stop apart from it.
        {"\u725B\u5976 1 *10.50 \u3002 10.50", "\u725B\u5976 1 \u00A510.50 \u00A510.50", {90, 45, 48, 48},
         "\u00A510.50 \u00A510.50", 40, 48, "\u725B\u5976 1 \u00A510.50 \u3002 \u00A510.50"},
        // A word the Latin engine read far less surely than the plain engine, and one
        // the rules cut in two where both engines read it whole.
        {"Resolution 1280*800", "Resolution 1280x800", {25, 69}, "1280*800", 105, 24, "Resolution 1280x800"},
        {"South $226,311.02 +57.3%", "South 226,311.02", {94, 68}, "$226,311.02", 45, 23, "South 226,311.02 +57.3%"},
        {"\u5B9E\u6536 Y1, 339.92", "\u5B9E\u6536 \u00A51,339.92", {93, 70}, "\u00A51,339.92", 25, 70, "\u5B9E\u6536 \u00A51,339.92"},
        {"South $226,311.02", "South 226,311.02", {94, 68}, "$226,311.02", 45, 50, "South $226,311.02"},
        {"Resolution 1280*800", "Resolution 1280x800", {25, 20}, "1280*800", 105, 24, "Resolution 1280*800"},
        {"\u00A5215.41 \u2014 \u00A5646.23", "\u00A5215.41 \u3002\u3002 #646.23", {60, 20, 69}, "\u00A5646.23", 85, 0,
         "\u00A5215.41 \u2014 \u00A5646.23"},
        {"\u00A518.22 \u00A518.22", "y18.22 \u3002 Y18.22", {66, 71, 52}, "\u00A518.22", 0, 0, "\u00A518.22 \u00A518.22"},
        {"Logo 4 \u20AC100.77 7% \u20AC403.08", "Logo 4 100.77 7% 6403.08", {92, 54, 33, 44, 69}, "~\u2014-\u20AC403.08", 145, 0,
         "Logo 4 \u20AC100.77 7% \u20AC403.08"},
        // An amount the two read alike, however unsure, where the Chinese models made an
        // ideograph of its sign and the digit beside it, or nothing at all.
        {"\u77FF\u6CC9\u6C34 6 \u6C492.50 \u00A575.00", "\u77FF\u6CC9\u6C34 6 \u00A512.50 \u00A575.00", {90, 90, 2, 91},
         "\u00A512.50", 50, 2, "\u77FF\u6CC9\u6C34 6 \u00A512.50 \u00A575.00"},
        {"\u9BAE\u69A8\u6A59\u6C41 4 \u5B57\u00A5110.64", "\u9BAE\u69A8\u6A59\u6C41 4 \u00A527.66 \u00A5110.64",
         {90, 69, 49, 79}, "\u00A527.66", 60, 49, "\u9BAE\u69A8\u6A59\u6C41 4 \u00A527.66 \u00A5110.64"},
        // It stays a word of its own beside the cell the rules ran into it, or lost.
        {"\u7259\u818F 1 17.50\u3002y17.50", "\u7259\u818F 1 Y17.50 \u00A517.50", {90, 90, 47, 30}, "\u00A517.50", 105, 30,
         "\u7259\u818F 1 17.50 \u00A517.50"},
        {"\u5496\u5561\u8C46 2 \u00A5 110.06", "\u5496\u5561\u8C46 2 \u00A555.03 \u00A5 110.06", {90, 90, 71, 65, 65},
         "\u00A555.03", 50, 71, "\u5496\u5561\u8C46 2 \u00A555.03 \u00A5 110.06"},
        // A quantity the amount took the place of comes back apart from it.
        {"\u9999\u8349\u51B0\u6DC7\u6DCB    5 7.93\u3002#285.15", "\u9999\u8349 \u51B0\u6DC7\u6DCB 5 \u00A557.03 \u00A5285.15",
         {96, 92, 90, 34, 33}, "\u00A557.03", 75, 34, "\u9999\u8349\u51B0\u6DC7\u6DCB    5 \u00A557.03\u3002#285.15"},
        // What the models made of its sign before it goes; a minus the plain engine read stays.
        {"\u5168\u9EA6 1 #\u00A530.00 \u00A530.00", "\u5168\u9EA6 1 \u00A530.00 \u00A530.00", {90, 90, 49, 27}, "\u00A530.00",
         40, 49, "\u5168\u9EA6 1 \u00A530.00 \u00A530.00"},
        {"\u4F18\u60E0 -\u00A53.00", "\u4F18\u60E0 -\u00A53.00", {90, 40}, "-\u00A53.00", 25, 40, "\u4F18\u60E0 -\u00A53.00"},
        // Its minus, where the rules' text has none, is a stroke of the sign.
        {"\u94C1\u89C2\u97F3 1 \u00A527.37 \u00A527.37", "\u94C1\u89C2\u97F3 1 -\u00A527.37 \u00A527.37", {91, 87, 20, 84},
         "-\u00A527.37", 50, 20, "\u94C1\u89C2\u97F3 1 \u00A527.37 \u00A527.37"},
        // But a minus both engines read, where the rules' text has a Chinese model's stroke
        // or a dash before the sign, is the amount's own.
        {"Discount (10%) \u4E00\u51681,323.31", "Discount (10%) -\u20AC1,323.31", {90, 90, 58}, "-\u20AC1,323.31", 140, 58,
         "Discount (10%) -\u20AC1,323.31"},
        {"Refund \u2014\u20AC46.00 ok", "Refund -\u20AC46.00 ok", {90, 40, 90}, "-\u20AC46.00", 65, 40, "Refund -\u20AC46.00 ok"},
        // So is one both read before an amount the Chinese models made one ideograph of
        // with its sign, where the plain engine is sure of it.
        {"\u4F18\u60E0 \u7AFA17.53", "\u4F18\u60E0 -\u00A517.53", {90, 81}, "-\u00A517.53", 25, 67,
         "\u4F18\u60E0 -\u00A517.53"},
        // Or both fairly surely, before an ideograph a Chinese model made of the sign.
        {"\u4F18\u60E0 \u81F3\u00A512.24", "\u4F18\u60E0 -\u00A512.24", {96, 74}, "-\u00A512.24", 25, 65,
         "\u4F18\u60E0 -\u00A512.24"},
        {"\u4F18\u60E0 \u81F3\u00A512.24", "\u4F18\u60E0 -\u00A512.24", {96, 74}, "-\u00A512.24", 25, 45,
         "\u4F18\u60E0 \u00A512.24"},
        // Not where the two agree on next to nothing, nor where the plain engine alone
        // doubts its word.
        {"\u5927\u7C73 1 \u00A532.27", "\u5927\u7C73 1 -\u00A532.27", {90, 90, 0}, "-\u00A532.27", 40, 0, "\u5927\u7C73 1 \u00A532.27"},
        {"\u5927\u7C73 1 \u00A532.27", "\u5927\u7C73 1 -\u00A532.27", {90, 90, 60}, "", 0, 0, "\u5927\u7C73 1 \u00A532.27"},
        // A number sign the plain engine alone read before a number is no part of it.
        {"Ticket 28840 paid", "Ticket #28840 paid", {90, 90, 90}, "", 0, 0, "Ticket 28840 paid"},
        // A word whose digits alone the plain engine read otherwise, and a number the
        // Latin engine read otherwise and more surely, stay as the rules have them.
        {"03b673f Fix the cache", "93b673f Fix the cache", {90, 90, 90, 90}, "", 0, 0, "03b673f Fix the cache"},
        {"size 77580711 bytes", "size 77589711 bytes", {90, 90, 90}, "77580711", 45, 96, "size 77580711 bytes"},
        // The Latin engine sure of another reading, or reading as many characters fairly
        // surely, however sure the plain engine is: it read the image itself, the Latin
        // engine the page as ink on paper.
        {"Avail 28G", "Avail 286", {90, 95}, "28G", 55, 77, "Avail 28G"},
        {"Use% 60%", "Use% 6", {90, 97}, "60%", 45, 93, "Use% 60%"},
        {"from 2026-07-19", "from 2926-97-19", {90, 92}, "2026-07-19", 45, 87, "from 2026-07-19"},
        // But a number the plain engine read very surely stays as it read it where the
        // Latin engine read other digits less surely, or left some of its digits out.
        {"size 89741 bytes", "size 59741 bytes", {90, 92, 90}, "89741", 45, 74, "size 59741 bytes"},
        {"184 18 double", "184 188 double", {93, 93, 90}, "18", 35, 97, "184 188 double"},
        // Nor where it lost a sign of a number read surely, however sure of the rest.
        {"\u6211 19.43", "\u6211 19:43", {90, 84}, "1943", 15, 89, "\u6211 19:43"},
        // Not a reading of another length under that, nor one of as many characters that
        // the Latin engine barely made out.
        {"North9 12.50", "North 9 12.50", {90, 96, 90}, "North9", 0, 75, "North 9 12.50"},
        {"commit fdSbe25 (HEAD)", "commit fd5be25 (HEAD)", {90, 92, 90}, "fdSbe25", 65, 65, "commit fd5be25 (HEAD)"},
        // A word read apart stays apart, and separators the rules read from the ink stand.
        {"North9 12.50", "North 9 12.50", {90, 96, 90}, "", 0, 0, "North 9 12.50"},
        {"\u5BC6\u7801 TE#16b@c3", "85 TE#16b@c3", {70, 90}, "85", 0, 60, "\u5BC6\u7801 TE#16b@c3"},
        // A percentage the plain engine doubts gives way to the digits the rules read.
        {"Hosting 24 1% $57,708.00", "Hosting 24 7% $57,708.00", {95, 72, 71, 89}, "", 0, 0, "Hosting 24 1% $57,708.00"},
        {"East 2,332,341.63, 74%", "East 2.332.341.63 74%", {90, 81, 90}, "", 0, 0, "East 2,332,341.63, 74%"},
    };
    for (const Witnessed& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        const Readings::LineReading latin = lineRead(c.latin, {c.latinSure}, 0, c.latinLeft);
        std::vector<const Readings::LineReading*> others;
        if (!latin.words.empty())
            others.push_back(&latin);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, others), c.expected) << c.merged;
    }
}

TEST(PlainFloor, AWordTheLatinEngineReadInPiecesAroundASignStandsWhole)
{
    const std::vector<Witnessed> cases{
        // Its pieces either side of the sign, read apart or not at all, are the word's own.
        {"Resolution 1280 x 800", "Resolution 1280x800", {90, 89}, "1280 x 800", 105, 77, "Resolution 1280x800"},
        {"Resolution 1280 800", "Resolution 1280x800", {90, 89}, "1280  800", 105, 77, "Resolution 1280x800"},
        {"Panel 2560 x 1440 IPS", "Panel 2560x1440 IPS", {90, 92, 90}, "2560 x 1440", 60, 85, "Panel 2560x1440 IPS"},
        // Not a word the plain engine ran together from two the Latin engine read apart,
        // nor pieces that are other digits.
        {"Total 12.50 13.00", "Total 12.5013.00", {90, 89}, "12.50 13.00", 55, 90, "Total 12.50 13.00"},
        {"Input 100-240 V ~ 50/60 Hz", "Input 100-240V~50/60 Hz", {90, 90, 90}, "100-240 V ~ 50/60", 55, 93,
         "Input 100-240 V ~ 50/60 Hz"},
        {"Resolution 1280 x 600", "Resolution 1280x800", {90, 89}, "1280 x 600", 105, 77, "Resolution 1280 x 600"},
    };
    for (const Witnessed& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        const Readings::LineReading latin = lineRead(c.latin, {c.latinSure, 90, 90}, 0, c.latinLeft);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, {&latin}), c.expected) << c.merged;
    }
}

TEST(PlainFloor, APerMilleSignThePlainEngineReadKeepsItsCircles)
{
    const std::vector<Witnessed> cases{
        // The rules' percent sign is not the plain engine's per mille sign without its circle.
        {"Central 797,784.00 67% 29.25%", "Central 797,784.00 67% 29.25%o", {90, 90, 90, 90}, "", 0, 0,
         "Central 797,784.00 67% 29.25%o"},
        {"Online 1%", "Online 1%o", {90, 88}, "", 0, 0, "Online 1%o"},
        // The Latin engine's percent sign alone at the place backs the doubted reading.
        {"6 Central 797,784.00 29.25%", "6 Central 797,784.00 29.25%o", {90, 90, 90, 76}, "29.25%", 195, 51,
         "6 Central 797,784.00 29.25%o"},
        {"West 5,293,347.00 21.07%", "West 5,293,347.00 21.07%e", {90, 90, 42}, "21.07%", 170, 0, "West 5,293,347.00 21.07%e"},
        // Not other digits, nor a percent sign of the plain engine's own against the
        // rules' per mille sign.
        {"West 5,293,347.00 21.07%", "West 5,293,347.00 21.07%e", {90, 90, 42}, "21.7%", 170, 0, "West 5,293,347.00 21.07%"},
        {"Returns 4.5\u2030", "Returns 4.5%", {90, 90}, "", 0, 0, "Returns 4.5\u2030"},
        // Nor where the rules read the circle as a full stop after the sign.
        {"\u6536\u5165\u589E\u52A0\u4E8612%\u3002", "\u6536\u5165\u589E\u52A0\u4E86 12%o", {90, 90}, "", 0, 0,
         "\u6536\u5165\u589E\u52A0\u4E8612%\u3002"},
        {"Share 45%", "Share 4596", {90, 90}, "", 0, 0, "Share 45%"},
    };
    for (const Witnessed& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        const Readings::LineReading latin = lineRead(c.latin, {c.latinSure}, 0, c.latinLeft);
        std::vector<const Readings::LineReading*> others;
        if (!latin.words.empty())
            others.push_back(&latin);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, others), c.expected) << c.merged;
    }
    // Nor after an ideograph, where the circle is a Chinese sentence's full stop: the
    // engine gives the number a word of its own, and writes it without a blank.
    Readings::LineReading plain = lineRead("\u6536\u5165\u589E\u52A0\u4E86 12%o", {90, 29});
    plain.text = "\u6536\u5165\u589E\u52A0\u4E8612%o";
    const Readings::LineReading latin = lineRead("12%", {77}, 0, 55);
    EXPECT_EQ(PlainFloor::withSureNumbers("\u6536\u5165\u589E\u52A0\u4E8612%", {&plain}, {&latin}), "\u6536\u5165\u589E\u52A0\u4E8612%");
    plain.text = "\u6536\u5165\u589E\u52A0\u4E86 12%o";
    EXPECT_EQ(PlainFloor::withSureNumbers("\u6536\u5165\u589E\u52A0\u4E86 12%", {&plain}, {&latin}), "\u6536\u5165\u589E\u52A0\u4E86 12%o");
}

struct Guessed {
    const char* merged;          // the rules' line
    const char* plain;           // the plain reading of its place
    std::vector<float> sure;     // the plain engine's confidence in each of its words
    const char* latin;           // the Latin engine's reading of the whole line
    std::vector<float> latinSure;
    const char* chinese;         // a Chinese model's, or nothing
    std::vector<float> chineseSure;
    const char* expected;
};

// `c.merged` held to the plain reading, the Latin engine its witness and each engine given
// a rival.
std::string heldToPlain(const Guessed& c)
{
    const Readings::LineReading plain = lineRead(c.plain, c.sure);
    const Readings::LineReading latin = lineRead(c.latin, c.latinSure);
    const Readings::LineReading chinese = lineRead(c.chinese, c.chineseSure);
    std::vector<const Readings::LineReading*> others, rivals;
    for (const Readings::LineReading* line : {&latin, &chinese})
        if (!line->words.empty())
            rivals.push_back(line);
    if (!latin.words.empty())
        others.push_back(&latin);
    return PlainFloor::withSureNumbers(c.merged, {&plain}, others, rivals);
}

TEST(PlainFloor, AWordWithDigitsTheOtherEnginesReadOtherwiseLessSurelyStands)
{
    const std::vector<Guessed> cases{
        // The other engines' readings of the place are guesses less sure than the plain one.
        {"Linked in 2.1.s, 24 warnings", "Linked in 2.1, 24 warnings", {93, 92, 49, 90, 93}, "Linked in 2.1.s, 24 warnings",
         {93, 92, 0, 90, 93}, "", {}, "Linked in 2.1, 24 warnings"},
        {"d3dia15 Cache at most", "d3d1a15 Cache at most", {67, 93, 93, 93}, "d3dia15 Cache at most", {47, 93, 93, 93},
         "d3dlal15 Cache at most", {53, 93, 93, 93}, "d3d1a15 Cache at most"},
        {"Waterproof TIp54", "Waterproof IP54", {90, 70}, "Waterproof IPS4", {90, 0}, "Waterproof TIp54", {90, 3}, "Waterproof IP54"},
        // With a minus the Latin engine, guessing, did not read; not where it was about as sure.
        {"South 58.3% 81.1%", "South -58.3% 81.1%", {97, 70, 51}, "South 58.3% 81.1%", {91, 0, 42}, "", {}, "South -58.3% 81.1%"},
        {"South 58.3% 81.1%", "South -58.3% 81.1%", {97, 70, 51}, "South 58.3% 81.1%", {91, 50, 42}, "", {}, "South 58.3% 81.1%"},
        // The rules' pieces of a word the Latin engine read apart far less surely.
        {"19 buffer. resize(571);", "19 buffer.resize(571);", {93, 90}, "19 buffer. resize(571);", {93, 12, 12}, "", {},
         "19 buffer.resize(571);"},
        // An amount read alike but for its minus or separators.
        {"Discount (5%) \u00A31,613.72", "Discount (5%) -\u00A31,613.72", {90, 90, 67}, "Discount (5%) \u00A31,613.72", {90, 90, 19},
         "", {}, "Discount (5%) -\u00A31,613.72"},
        {"hours 3 $1448.78 0%", "hours 3 $1,448.78 0%", {90, 90, 78, 90}, "hours 3 $1448.78 0%", {90, 90, 73, 90}, "", {},
         "hours 3 $1,448.78 0%"},
        // Not where an engine read the place more surely, or the Latin engine not at all.
        {"Linked in 2.1.s, 24 warnings", "Linked in 2.1, 24 warnings", {93, 92, 49, 90, 93}, "Linked in 2.1.s, 24 warnings",
         {93, 92, 0, 90, 93}, "Linked in 2.1.s, 24 warnings", {93, 92, 52, 90, 93}, "Linked in 2.1.s, 24 warnings"},
        {"Linked in 2.1.s, 24 warnings", "Linked in 2.1, 24 warnings", {93, 92, 49, 90, 93}, "", {},
         "Linked in 2.1.s, 24 warnings", {93, 92, 12, 90, 93}, "Linked in 2.1.s, 24 warnings"},
        {"19 buffer. resize(571);", "19 buffer.resize(571);", {93, 90}, "19 buffer. resize(571);", {93, 12, 91}, "", {},
         "19 buffer. resize(571);"},
        // Nor for an amount or a number after a letter, which may be the plain engine's
        // reading of a currency sign, nor where another engine read a percent sign or a
        // sign after the word that the plain engine has not.
        {"brochures 21 \u20AC1,763.50 5%", "brochures 21 \u00A31,763.50 5%", {90, 90, 70, 90}, "brochures 21 \u20AC1,763.50 5%",
         {90, 90, 50, 90}, "", {}, "brochures 21 \u20AC1,763.50 5%"},
        {"color = 0x2addea;", "color = 9x2a4deay;", {90, 90, 70}, "color = 0x2addea;", {90, 90, 50}, "", {}, "color = 0x2addea;"},
        {"fell 3% now", "fell 396 now", {90, 60, 90}, "fell 395 now", {90, 40, 90}, "", {}, "fell 3% now"},
        {"runs 933 now", "runs 9a3 now", {90, 60, 90}, "runs 933 now", {90, 40, 90}, "", {}, "runs 933 now"},
        {"Rice \u00A5205.00", "Rice +\u00A5205.00", {90, 70}, "Rice \u00A5205.00", {90, 50}, "", {}, "Rice \u00A5205.00"},
        {"Rice 2 \u00A548.28", "Rice 2 #48.28", {93, 93, 41}, "Rice 2 \u00A548.28", {93, 93, 20}, "", {}, "Rice 2 \u00A548.28"},
        {"VAT 20% \u20AC1,186.60", "VAT 20% el186.60", {93, 93, 60}, "VAT 20% \u20AC1,186.60", {93, 93, 40}, "", {},
         "VAT 20% \u20AC1,186.60"},
        {"Retail 6% 5.5\u2030", "Retail 6% 5.590o", {93, 93, 60}, "Retail 6% 5.5%o", {93, 93, 40}, "", {}, "Retail 6% 5.5\u2030"},
        {"dev@build-01:~/src$ ls", "dev@build-01:~/src ls", {70, 93}, "dev@build-01:~/src$ ls", {60, 93}, "", {},
         "dev@build-01:~/src$ ls"},
        // Nor where another engine read a name's dot that the plain engine dropped.
        {"mail li2@mail.cn now", "mail li2@mailcn now", {93, 66, 93}, "mail li2mail.cn now", {93, 36, 93}, "", {},
         "mail li2@mail.cn now"},
        // Other digits for the digits of a word the plain engine read very surely, and
        // surer than each engine that read them, give way; read less surely, or by an
        // engine at least as sure, they stand.
        {"@@ -972,41 +972,12 ae", "@@ -972,11 +972,12 ae", {84, 91, 91, 40}, "@@ -972,41 +972,12 ae", {88, 65, 86, 55}, "", {},
         "@@ -972,11 +972,12 ae"},
        {"@@ -972,41 +972,12 ae", "@@ -972,11 +972,12 ae", {84, 91, 91, 40}, "@@ -972,41 +972,12 ae", {88, 65, 86, 55},
         "@@ -972,41 +972,12 ae", {50, 93, 91, 50}, "@@ -972,41 +972,12 ae"},
        {"cc49306 Raise the", "cc49396 Raise the", {84, 96, 96}, "cc49306 Raise the", {53, 96, 96}, "", {}, "cc49306 Raise the"},
    };
    for (const Guessed& c : cases)
        EXPECT_EQ(heldToPlain(c), c.expected) << c.merged << " / " << c.plain;
}

TEST(PlainFloor, AnAmountTheLatinEngineRanIntoTheInkBesideItStands)
{
    const std::vector<Guessed> cases{
        // Two cells' amounts run together over the gap between them, read as a dash (the
        // stop the models read in the gap is theirs).
        {"\u9999\u8349\u51B0\u6DC7\u6DCB 6 \u5B572.50\u3002 #135.00", "\u9999\u8349\u51B0\u6DC7\u6DCB 6 \u00A522.50 \u00A5135.00",
         {96, 87, 7, 20}, "BaKaH 6 \u00A522.50-\u00A5135.00", {0, 76, 30}, "\u9999\u8349\u51B0\u6DC7\u6DCB 6 \u5B57 2.50\u3002 #135.00",
         {94, 87, 40, 40, 50}, "\u9999\u8349\u51B0\u6DC7\u6DCB 6 \u00A522.50\u3002 \u00A5135.00"},
        // A leader's strokes before the sign read as signs of the word.
        {"\u732A\u8089\u997A 6 #306.24", "\u732A\u8089\u997A 6 \u00A5306.24", {58, 70, 35}, "RAR 6 \u2014\u00A5306.24", {50, 46, 4},
         "\u732A\u8089\u997A 6 #306.24", {80, 66, 50}, "\u732A\u8089\u997A 6 \u00A5306.24"},
        {"\u539F\u5473\u9178\u5976 6 Y399.23", "\u539F\u5473\u9178\u5976 6 \u00A5399.23", {95, 95, 36}, "FRRR 6 =\u00A5399.23",
         {13, 27, 0}, "\u539F\u5473\u9178\u5976 6 \u4E8E 399.23", {95, 94, 38, 19}, "\u539F\u5473\u9178\u5976 6 \u00A5399.23"},
        // Not where the amount the Latin engine read there is another one.
        {"\u539F\u5473\u9178\u5976 6 Y399.28", "\u539F\u5473\u9178\u5976 6 \u00A5399.23", {95, 95, 36}, "FRRR 6 =\u00A5399.28",
         {13, 27, 0}, "\u539F\u5473\u9178\u5976 6 \u4E8E 399.28", {95, 94, 38, 19}, "\u539F\u5473\u9178\u5976 6 Y399.28"},
    };
    for (const Guessed& c : cases)
        EXPECT_EQ(heldToPlain(c), c.expected) << c.merged << " / " << c.plain;
}

// A number the Latin engine read with a digit less, as on generated spreadsheets at
// small sizes: over the very ink the plain engine read it from, it ran two glyphs into
// one; over less of it, it may have left out what was no glyph of the number.
TEST(PlainFloor, ANumberTheLatinEngineReadWithDigitsLeftOutOverTheSameInkStands)
{
    const auto read = [](const char* merged, const char* latinWord, int latinRight) {
        const Readings::LineReading plain = lineRead("Central 77,489.50 +60%", {90, 59, 90});
        Readings::LineReading latin = lineRead(latinWord, {64}, 0, 75);
        latin.words[0].box.right = latinRight;
        return PlainFloor::withSureNumbers(merged, {&plain}, {&latin});
    };
    // The plain word spans 75 to 165; the Latin engine was the surer of the two.
    EXPECT_EQ(read("Central 7,489.50 +60%", "7,489.50", 165), "Central 77,489.50 +60%");
    EXPECT_EQ(read("Central 7,489.50 +60%", "7,489.50", 155), "Central 7,489.50 +60%");
    // Not where it read another digit too.
    EXPECT_EQ(read("Central 7,439.50 +60%", "7,439.50", 165), "Central 7,439.50 +60%");
}

// Words the plain engine read right that the rules misread, as on generated receipts,
// invoices and spec sheets: the other engines' readings of the place decide.
TEST(PlainFloor, APlainNumberStandsAgainstOtherDigitsWhereACodeDoesNot)
{
    const std::vector<Guessed> cases{
        // A number in its own shape that a Chinese model read alike is not given up for
        // other digits the Latin engine read less surely at its place.
        {"Qty 7558 units", "Qty 7553 units", {90, 70, 90}, "Qty 7558 units", {90, 40, 90}, "Qty 7553 units", {90, 85, 90},
         "Qty 7553 units"},
        {"Cost 00.50 each", "Cost 44.50 each", {90, 60, 90}, "Cost 00.50 each", {90, 40, 90}, "Cost 44.50 each", {90, 85, 90},
         "Cost 44.50 each"},
        // A file name or an address is no number: the Chinese models make a 9 of a 0
        // there as surely as the plain engine does.
        {"saved backup-2023-01-28.tar", "saved backup-2023-01-23.tar", {90, 70}, "saved backup-2023-01-28.tar", {90, 40},
         "saved backup-2023-01-23.tar", {90, 85}, "saved backup-2023-01-28.tar"},
        {"host 10.4.190.28 up", "host 10.4.190.23 up", {90, 70, 90}, "host 10.4.190.28 up", {90, 40, 90}, "host 10.4.190.23 up",
         {90, 85, 90}, "host 10.4.190.28 up"},
    };
    for (const Guessed& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        const Readings::LineReading latin = lineRead(c.latin, c.latinSure);
        const Readings::LineReading chinese = lineRead(c.chinese, c.chineseSure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, {&latin}, {&latin, &chinese}), c.expected) << c.merged;
    }
}

TEST(PlainFloor, AWordThePlainReadingHasRightStandsWhereTheOtherEnginesBackIt)
{
    const std::vector<Guessed> cases{
        // A Chinese model read the very word, more surely than the Latin engine read another.
        {"IBAN DES1 3704", "IBAN DE51 3704", {93, 93, 93}, "IBAN DES1 3704", {93, 88, 93}, "IBAN DE51 3704", {93, 93, 93},
         "IBAN DE51 3704"},
        {"let port = 784;", "let port = 781;", {93, 93, 93, 83}, "let port = 784;", {93, 93, 93, 75}, "let port = 781;",
         {93, 93, 93, 85}, "let port = 781;"},
        {"Dimensions 17.9 x 119.9", "Dimensions 177.9 x 119.9", {90, 71, 90, 90}, "Dimensions 17.9 x 119.9", {90, 81, 90, 90},
         "Dimensions 177.9 x 119.9", {90, 91, 90, 90}, "Dimensions 177.9 x 119.9"},
        // But not the misreadings the Chinese models share with the plain engine, nor
        // where the Latin engine read no digit at all.
        {"\u4E0B\u964D 6%\u3002", "\u4E0B\u964D 696\u3002", {90, 58}, "\u4E0B\u964D HOF.", {90, 0}, "\u4E0B\u964D 696\u3002",
         {90, 82}, "\u4E0B\u964D 6%\u3002"},
        {"size 8388220 B", "size 8388229 B", {90, 78, 90}, "size 8388220 B", {90, 86, 90}, "size 8388229 B", {90, 90, 90},
         "size 8388220 B"},
        {"Tea 1 \u00A519.39", "Tea 1 #19.39", {90, 90, 92}, "Tea 1 \u00A519.39", {90, 90, 88}, "Tea 1 #19.39", {90, 90, 92},
         "Tea 1 \u00A519.39"},
        // The Latin engine's comma for a decimal point, which leaves no number.
        {"Online -24,3% 83%", "Online -24.3% 83%", {90, 88, 90}, "Online -24,3% 83%", {90, 74, 90}, "", {}, "Online -24.3% 83%"},
        // An amount the Latin engine read alike but for a minus made of the ink before it.
        {"Salad 5 \u52303.50 \u00A567.50", "Salad 5 \u00A513.50 \u00A567.50", {90, 94, 59, 90}, "Salad 5 -\u00A513.50 \u00A567.50",
         {90, 53, 34, 90}, "Salad 5 \u52303.50 \u00A567.50", {90, 90, 81, 90}, "Salad 5 \u00A513.50 \u00A567.50"},
        // An amount the Latin engine read in pieces, cut at its point, more surely.
        {"Pork 1 \u00A532 00 \u00A532. 00", "Pork 1 \u00A532.00 \u00A532.00", {90, 90, 23, 23}, "Pork 1 \u00A532 00 \u00A532. 00",
         {90, 90, 56, 7, 84, 83}, "", {}, "Pork 1 \u00A532.00 \u00A532.00"},
        // An amount whose currency sign the Latin engine read as a word of its own.
        {"Yogurt 6 \u00A5 115.92", "Yogurt 6 \u00A5115.92", {90, 90, 78}, "Yogurt 6 \u00A5 115.92", {90, 90, 3, 3},
         "Yogurt 6 \u5BF9115.92", {90, 90, 36}, "Yogurt 6 \u00A5115.92"},
        {"Yogurt 6 \u00A5 115.92", "Yogurt 6 \u00A5115.92", {90, 90, 78}, "Yogurt 6 \u00A5 115.92", {90, 90, 3, 3},
         "Yogurt 6 \u5BF9 115.92", {90, 90, 68, 5}, "Yogurt 6 \u00A5115.92"},
    };
    for (const Guessed& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        const Readings::LineReading latin = lineRead(c.latin, c.latinSure);
        const Readings::LineReading chinese = lineRead(c.chinese, c.chineseSure);
        std::vector<const Readings::LineReading*> rivals{&latin};
        if (!chinese.words.empty())
            rivals.push_back(&chinese);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, {&latin}, rivals), c.expected) << c.merged << " / " << c.plain;
    }
}

// A rate in a table's cell that the Latin engine read with a letter for a digit ("T%" for
// "7%"), where a Chinese model read it as the plain engine did: the glyphs before the sign
// are as many as the plain engine read, so none of its digits is the sign's.
TEST(PlainFloor, AWordIsHeldWithoutTheBlankAnEngineWroteBeforeIt)
{
    // Where the plain engine wrote it, and where the Latin engine did too.
    for (const bool latinToo : {false, true}) {
        Readings::LineReading plain = lineRead("Bread 3 \u00A551.02 \u00A5153.06", {90, 61, 35, 35});
        plain.words[3].text = " " + plain.words[3].text;
        Readings::LineReading latin = lineRead("Bread 3 \u00A551.02 \u00A5153.06", {90, 33, 33, 57});
        if (latinToo)
            latin.words[3].text = " " + latin.words[3].text;
        const Readings::LineReading chinese = lineRead("Bread 3 $51.02 2153.06", {90, 52, 8, 41});
        EXPECT_EQ(PlainFloor::withSureNumbers("Bread 3 \u00A551.02 2153.06", {&plain}, {&latin}, {&latin, &chinese}),
                  "Bread 3 \u00A551.02 \u00A5153.06")
            << latinToo;
    }
}

TEST(PlainFloor, SignsGluedOntoAWordThePlainReadingHasApartGoOrComeApart)
{
    const std::vector<Case> cases{
        // A sign that lines up with nothing of the plain reading goes, with the blank back.
        {"\u6211.02:05", "\u6211 02:05", {97, 85}, "\u6211 02:05"},
        // One that lines up with the plain reading's word before the number comes apart.
        {"Noise =37 dB", "Noise < 37 dB", {90, 81, 81, 97}, "Noise = 37 dB"},
        // The word's own leading sign takes the place of another.
        {"Noise =24dB", "Noise <24dB", {90, 86}, "Noise <24dB"},
        // The plain reading's next word, glued on after the number or before it.
        {"\u6C14\u6E29 26*C", "\u6C14\u6E29 26 *C", {90, 90, 60}, "\u6C14\u6E29 26 *C"},
        {"4+ for (int i", "4 + for (int i", {90, 76, 96, 96, 87}, "4 + for (int i"},
        {"\u5237\u65B0\u7387 |165Hz", "\u5237\u65B0\u7387 | 165 Hz", {83, 58, 93, 97}, "\u5237\u65B0\u7387 | 165Hz"},
        // A doubted number the rules read alike, a sign glued on before its currency.
        {"0% =\u20AC172.06", "0% \u00AB\u00A9 \u20AC172.06", {73, 8, 8}, "0% = \u20AC172.06"},
        {"Rent .\u20AC172.06", "Rent \u20AC172.06", {90, 8}, "Rent \u20AC172.06"},
        // Signs a number is written with stay, and so do signs within a word.
        {"Total -24", "Total 24", {90, 90}, "Total -24"},
        {"Total \u20AC24.10", "Total 24.10", {90, 90}, "Total \u20AC24.10"},
        {"x=24", "x 24", {90, 90}, "x=24"},
        {"North 92.3% 27%", "North 92.3% 27%", {90, 90, 90}, "North 92.3% 27%"},
    };
    for (const Case& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}), c.expected) << c.merged;
    }
}

TEST(PlainFloor, ThousandsSeparatorsTurnedIntoPointsGiveWayToThePlainReading)
{
    const std::vector<Case> cases{
        {"\u534E\u4E1C (4.289,821.50) 79%", "\u534E\u4E1C (4,289,821.50) 79%", {90, 89, 90}, "\u534E\u4E1C (4,289,821.50) 79%"},
        {"\u4F59\u989D\u4E3A5.579.50\u5143", "\u4F59\u989D\u4E3A 5,579.50 \u5143", {92, 90, 92}, "\u4F59\u989D\u4E3A5,579.50\u5143"},
        // Into a number's shape they stand, as the rules read them from the ink.
        {"North 1,240 1,580 +27.3%", "North 1,240 1.580 +27.3%", {90, 90, 85, 90}, "North 1,240 1,580 +27.3%"},
    };
    for (const Case& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}), c.expected) << c.merged;
    }
}

TEST(PlainFloor, OnlyTheLatinEngineWitnessesAWordWithDigits)
{
    // The Chinese models read a euro sign as a "6" as the plain engine does; the Latin
    // engine's reading of the same price is a second opinion.
    Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {}};
    plain.lines = {lineRead("Logo 6888.36", {90, 61}), lineRead("Rice 1 \u00A554.94", {90, 90, 46}, 40)};
    Readings::EngineReading chinese{"chi_tra", true, {lineRead("Logo 6888.36", {90, 61})}};
    Readings::EngineReading latin{"eng", true, {lineRead("Rice 1 \u00A554.94", {90, 90, 46}, 40)}};
    const std::vector<LineMerge::PlacedLine> merged{{"Logo \u20AC888.36", {plain.lines[0].box}}, {"Rice 1 #54.94", {plain.lines[1].box}}};
    HanVariantChoice::Chooser variants({nullptr, 0, 0});
    EXPECT_EQ(PlainFloor::text(merged, plain, {}, variants, {chinese, latin}), "Logo \u20AC888.36\nRice 1 \u00A554.94\n");
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

// What the plain reading and the Latin engine agree on, as on generated receipts and
// dialogs: the signs and blanks around it, the ink around its line and the Chinese models'
// other readings of it are no reason to let it go.
TEST(PlainFloor, WhatThePlainReadingAndTheLatinEngineAgreeOnStands)
{
    struct Agreed {
        const char* merged;
        const char* plain;
        std::vector<float> sure;
        const char* latin;
        std::vector<float> latinSure;
        const char* expected;
    };
    const std::vector<Agreed> cases{
        // An amount with a quote before it, the Chinese model's ideograph for its sign;
        // and that ideograph alone before the sign the rules read.
        {"Fish 1 \u4E8E\u00A532.50 \u4E8E32.50", "Fish 1 \u00A532.50 \u2018\u00A532.50", {90, 87, 73, 8},
         "Fish 1 \u00A532.50 \u2018\u00A532.50", {90, 88, 84, 0}, "Fish 1 \u00A532.50 \u00A532.50"},
        // Not an ideograph that lines up with the plain reading's word before the amount.
        {"Juice 4 \u5B57\u00A5110.64", "Juice 4 \u00A527.66 \u00A5110.64", {90, 90, 85, 85}, "Juice 4 \u00A527.66 \u00A5110.64",
         {90, 90, 79, 79}, "Juice 4 \u00A527.66 \u00A5110.64"},
        // A value with the edge of its box read into the word: the plain reading's word.
        {"Scale \u300C109ww", "Scale |\u300C100%", {90, 38}, "Scale [100%", {90, 44}, "Scale |\u300C100%"},
        // The same digits the Latin engine read, far less surely, with letters run into them.
        {"\u6210\u7ACB\u4E8E2923\u5E74", "\u6210\u7ACB\u4E8E 2023 \u5E74", {90, 75, 90}, "WAAM 2023%,", {8, 8},
         "\u6210\u7ACB\u4E8E2023\u5E74"},
    };
    for (const Agreed& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        const Readings::LineReading latin = lineRead(c.latin, c.latinSure);
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, {&latin}, {&latin}), c.expected) << c.merged << " / " << c.plain;
    }
}

TEST(PlainFloor, ALineWhoseBoxTakesInInkBelowItIsStillThePlainReadingOfItsPlace)
{
    // A ruling under the row taken into the line: its box lies more outside the rules'
    // line than in it, its words do not.
    Readings::EngineReading plain{"chi_sim+chi_tra+eng", true, {lineRead("Bag 4 \u00A555.48 \u00A5221.92", {90, 90, 90, 90})}};
    const Readings::Box row = plain.lines[0].box;
    plain.lines[0].box.bottom += 2 * (row.bottom - row.top);
    const std::vector<LineMerge::PlacedLine> merged{{"Bag 4 #55.48 \u00A5221.92", {row}}};
    HanVariantChoice::Chooser variants({nullptr, 0, 0});
    EXPECT_EQ(PlainFloor::text(merged, plain, {}, variants), "Bag 4 \u00A555.48 \u00A5221.92\n");
}

// Each character of each word of the Latin engine's line weighed as it reads, with the
// next choice `next` gives for it (word, character, the word's characters), if any.
using Choice = std::pair<std::string, float>;
void weighEveryCharacter(Readings::LineReading& latin,
                         const std::function<std::optional<Choice>(size_t, size_t, const std::u32string&)>& next)
{
    for (size_t w = 0; w < latin.words.size(); ++w) {
        const std::u32string own = HanText::decoded(latin.words[w].text);
        for (size_t k = 0; k < own.size(); ++k) {
            Readings::CharacterChoices weighed{HanText::encoded(own.substr(k, 1)), {}};
            if (const auto choice = next(w, k, own))
                weighed.next.emplace_back(choice->first, choice->second);
            latin.words[w].weighed.push_back(weighed);
        }
    }
}

// The Latin engine's reading as it weighed each character: where it read another digit
// than the plain engine but had the plain engine's one as its next choice, nearly as
// good, it does not overrule the plain reading, and it backs it against the rules' text.
TEST(PlainFloor, TheLatinEngineTornBetweenItsDigitAndThePlainOneIsNoReadingAgainstIt)
{
    struct Torn {
        const char* merged;
        const char* plain;
        std::vector<float> sure;
        const char* latin;
        std::vector<float> latinSure;
        float nextChoice; // how well the plain engine's digit fitted, to the Latin engine
        const char* expected;
    };
    const std::vector<Torn> cases{
        {"@@ -18,9 +18,19 @@", "@@ -18,9 +18,10 @@", {67, 90, 89, 67}, "@@ -18,9 +18,19 @@", {76, 90, 88, 76}, 61,
         "@@ -18,9 +18,10 @@"},
        {"[14:63:20] Linked in 15.0 s", "[14:03:20] Linked in 15.0 s", {82, 93, 93, 93, 93}, "[14:63:20] Linked in 15.0 s",
         {77, 93, 93, 93, 93}, 86, "[14:03:20] Linked in 15.0 s"},
        // Nor is one where the plain engine read a round digit as its Chinese models do.
        {"ping 10.5.2.124", "ping 19.5.2.124", {90, 85}, "ping 10.5.2.124", {90, 85}, 70, "ping 10.5.2.124"},
        // Nor a digit for a letter it read among digits.
        {"Avail 28G", "Avail 286", {90, 75}, "Avail 28G", {90, 75}, 70, "Avail 28G"},
        // A next choice it hardly weighed is no doubt.
        {"@@ -18,9 +18,19 @@", "@@ -18,9 +18,10 @@", {67, 90, 89, 67}, "@@ -18,9 +18,19 @@", {76, 90, 88, 76}, 16,
         "@@ -18,9 +18,19 @@"},
    };
    for (const Torn& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        Readings::LineReading latin = lineRead(c.latin, c.latinSure);
        // The plain engine's digit next where the two differ.
        weighEveryCharacter(latin, [&](size_t w, size_t k, const std::u32string& own) -> std::optional<Choice> {
            const std::u32string other = HanText::decoded(plain.words[w].text);
            if (other.size() != own.size() || other[k] == own[k])
                return std::nullopt;
            return Choice{HanText::encoded(other.substr(k, 1)), c.nextChoice};
        });
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, {&latin}, {&latin}), c.expected) << c.merged << " / " << c.nextChoice;
    }
}

TEST(PlainFloor, AGlyphTheLatinEngineReadTwiceIsNoReadingAgainstThePlainOne)
{
    struct Twice {
        const char* merged;
        const char* plain;
        std::vector<float> sure;
        const char* latin; // the rules' reading of the line, from the Latin engine
        std::vector<float> latinSure;
        size_t word, at;   // the character read a second time from the glyph before it
        const char* weighedAs;
        float weighed;
        const char* expected;
    };
    const std::vector<Twice> cases{
        {"Wholesale 92.3% 27T%o", "Wholesale 92.3% 27%o", {90, 90, 54}, "Wholesale 92.3% 27T%o", {90, 90, 36}, 2, 2, "7", 84,
         "Wholesale 92.3% 27%o"},
        // Or the one after it: a stop read as a comma and again as itself.
        {"from 10.5.14,.14: icmp", "from 10.5.14.14: icmp", {90, 59, 90}, "from 10.5.14,.14: icmp", {90, 62, 90}, 1, 7, ".", 82,
         "from 10.5.14.14: icmp"},
        // Not where it hardly weighed the character before it, nor weighed another.
        {"Wholesale 92.3% 27T%o", "Wholesale 92.3% 27%o", {90, 90, 54}, "Wholesale 92.3% 27T%o", {90, 90, 36}, 2, 2, "7", 20,
         "Wholesale 92.3% 27T%o"},
        {"Wholesale 92.3% 27T%o", "Wholesale 92.3% 27%o", {90, 90, 54}, "Wholesale 92.3% 27T%o", {90, 90, 36}, 2, 2, "1", 84,
         "Wholesale 92.3% 27T%o"},
    };
    for (const Twice& c : cases) {
        const Readings::LineReading plain = lineRead(c.plain, c.sure);
        Readings::LineReading latin = lineRead(c.latin, c.latinSure);
        weighEveryCharacter(latin, [&](size_t w, size_t k, const std::u32string&) -> std::optional<Choice> {
            if (w != c.word || k != c.at)
                return std::nullopt;
            return Choice{c.weighedAs, c.weighed};
        });
        EXPECT_EQ(PlainFloor::withSureNumbers(c.merged, {&plain}, {&latin}, {&latin}), c.expected) << c.merged << " / " << c.weighed;
    }
}

// A sign before a number that the Latin engine left out, guessing at what was left of the
// word, as on generated spreadsheets and receipts: the plain engine saw it, more surely.
TEST(PlainFloor, ASignThePlainEngineReadAndTheLatinEngineLeftOutStands)
{
    const std::vector<Guessed> cases{
        {"North -24,036.10 72% 79.5%", "North -24,036.10 -72% 79.5%", {93, 88, 55, 90}, "North -24,036.10 72% 79.5%", {93, 88, 1, 90},
         "North -24,036.10 -72% 79.5%", {93, 88, 55, 90}, "North -24,036.10 -72% 79.5%"},
        // A mark that is no number's sign read for the minus is the same guess.
        {"South 31,669.00 \u201C1% 31.5%", "South 31,669.00 -1% 31.5%", {91, 87, 65, 90}, "South 31,669.00 \u201C1% 31.5%",
         {91, 87, 37, 90}, "South 31,669.00 -1% 31.5%", {91, 87, 65, 90}, "South 31,669.00 -1% 31.5%"},
        {"Cola \u00A515.60 46.80", "Cola Y15.69 \u00A546.80", {90, 77, 45}, "Cola \u00A515.60 46.80", {90, 87, 0}, "Cola Y15.69 Y46.89",
         {90, 69, 65}, "Cola \u00A515.60 \u00A546.80"},
        {"Crackers 1 \u00A510.50 10.50", "Crackers 1 \u00A510.50 \u00A510.50", {90, 81, 60, 60}, "Crackers 1 \u00A510.50 10.50",
         {90, 81, 55, 0}, "Crackers 1 Ya6.59 Y19.59", {90, 81, 65, 26}, "Crackers 1 \u00A510.50 \u00A510.50"},
        // Not where the Latin engine read other digits, or another currency sign, nor where
        // it was as sure as the plain engine or more than guessing.
        {"North 73%", "North -72%", {93, 55}, "North 73%", {93, 1}, "", {}, "North 73%"},
        {"Cola $46.80", "Cola \u00A546.80", {90, 45}, "Cola $46.80", {90, 10}, "", {}, "Cola $46.80"},
        {"North 72%", "North -72%", {93, 20}, "North 72%", {93, 30}, "", {}, "North 72%"},
        {"North 72%", "North -72%", {93, 75}, "North 72%", {93, 55}, "", {}, "North 72%"},
        // Nor where the plain engine barely read it: strokes before a figure come out as a
        // minus at such confidences.
        {"North 72%", "North -72%", {93, 20}, "North 72%", {93, 5}, "", {}, "North 72%"},
    };
    for (const Guessed& c : cases)
        EXPECT_EQ(heldToPlain(c), c.expected) << c.merged << " / " << c.plain;
}

} // namespace
