// A number alone on its line that the Latin model misread unsure, and a Chinese model
// read surely, comes back as that model read it; every other reading stays.
#include "OcrHelper/LoneNumbers.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct Case {
    const char* latin;
    float latinConfidence;
    std::vector<std::pair<const char*, float>> han; // each Chinese model's reading
    std::optional<std::string> written;
};

void check(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        const Readings::LineReading latin = lineRead(c.latin, {c.latinConfidence, c.latinConfidence});
        std::vector<Readings::LineReading> han;
        for (const auto& [text, confidence] : c.han)
            han.push_back(lineRead(text, {confidence}));
        std::vector<const Readings::LineReading*> readings;
        for (const Readings::LineReading& reading : han)
            readings.push_back(&reading);
        EXPECT_EQ(LoneNumbers::numberRead(latin, readings), c.written) << c.latin;
    }
}

TEST(LoneNumbers, DimLineNumbersTheLatinModelMisreadComeBackAsTheChineseModelsReadThem)
{
    // As the models read a dark editor's gutter of grey numbers.
    check({{"ul", 42, {{"11", 74}, {"11", 86}}, "11"},
           {"4", 65, {{"14", 91}, {"14", 92}}, "14"},
           {"7", 52, {{"17", 86}, {"1", 37}}, "17"}});
}

TEST(LoneNumbers, SureLatinReadingsAndEveryOtherLineStay)
{
    check({{"19", 84, {{"19", 66}, {"19", 84}}, std::nullopt},   // all agree
           {"7", 90, {{"17", 95}}, std::nullopt},                 // the Latin engine is sure
           {"}", 60, {{"3", 80}}, std::nullopt},                  // the model is not sure enough
           {"128", 70, {{"12", 90}}, std::nullopt},               // a digit more in the Latin reading
           {"ul", 42, {{"u1", 90}}, std::nullopt},                // the model read no number
           {"Inbox 12", 50, {{"12", 95}}, std::nullopt},          // more than one word
           {"v1.72", 70, {{"172", 90}}, std::nullopt}});          // no number alone
}

} // namespace
