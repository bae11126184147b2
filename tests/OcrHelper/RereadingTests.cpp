// When a line read once more takes the place of its first reading.
#include "OcrHelper/Rereading.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

TEST(Rereading, ALineReadAgainStandsOnlyWhereItKeepsWhatWasRead)
{
    const struct {
        const char* first;
        const char* again;
        float againConfidence;
        bool stands;
    } cases[] = {
        // The rest of a line cut short, read with it.
        {"The release ships within", "The release ships within 0.4% of the target", 88, true},
        {"学生们在   准备考试", "学生们在图书馆准备考试", 90, true},
        {"Total 1,284,600", "Total 1,284,600 USD in Q3", 80, true},
        // A guess.
        {"The release ships within", "The release ships within 0.4% of the target", 40, false},
        // A number read as another.
        {"within 0.4% of release", "within 0.496 of release and more", 85, false},
        {"Order 48213 shipped", "Order 482130 shipped on time", 85, false},
        // Less than the first reading, or its words read otherwise.
        {"The release ships within 0.4%", "The release", 90, false},
        {"Filesystem Size Used", "FIesystcm S1ze Uscd |||| ---", 70, false},
    };
    for (const auto& c : cases) {
        Readings::LineReading again = lineRead(c.again, {});
        again.confidence = c.againConfidence;
        EXPECT_EQ(Rereading::standsFor(lineRead(c.first, {}), again), c.stands) << c.first << " / " << c.again;
    }
}

} // namespace
