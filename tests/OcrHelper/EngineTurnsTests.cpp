// How many language engines read a page at once: all of them on the pages a screen
// shows most, fewer on large ones, where all at once would pass what a reading may add.
#include "OcrHelper/EngineTurns.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    long long width, height;
    int engines, atOnce;
};

} // namespace

TEST(EngineTurns, AllReadAtOnceOnSmallPagesAndFewerOnLargeOnes)
{
    const Case cases[] = {
        {"a dialog", 480, 515, 3, 3},
        {"a window of a million pixels", 1000, 1000, 3, 3},
        // Three at once added 280 MB on a full screen of text, two 164 MB.
        {"a full screen", 1920, 1080, 3, 2},
        {"a tall page", 1800, 4000, 3, 1},
        // Three at once added 600 MB, one at a time 342 MB.
        {"the largest page", 4000, 4000, 3, 1},
        {"one language", 4000, 4000, 1, 1},
        {"two languages on a dialog", 480, 515, 2, 2},
        {"no language", 480, 515, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EngineTurns::atOnce(c.width * c.height, c.engines), c.atOnce);
    }
}

// However large the page, more pixels never let more engines read at once, and where
// more than one does, the reading stays within what it may add.
TEST(EngineTurns, MorePixelsNeverMoreAtOnceAndTogetherWithinTheBudget)
{
    int before = EngineTurns::atOnce(0, 3);
    for (long long pixels = 0; pixels <= 40'000'000; pixels += 50'000) {
        const int now = EngineTurns::atOnce(pixels, 3);
        EXPECT_LE(now, before) << pixels;
        if (now > 1)
            EXPECT_LE(EngineTurns::addedBytes(pixels, now), EngineTurns::budgetBytes) << pixels;
        before = now;
    }
}

// On a page so large that even one engine reading beside the plain one passes what a
// reading may add, they read after it; on the pages a screen shows they read beside it,
// which is what keeps the reading quicker than the command line.
TEST(EngineTurns, EnginesWaitForThePlainReadingOnlyWhereBesideItPassesTheBudget)
{
    // Wherever the engines read beside the plain reading, the reading stays within it.
    for (long long pixels = 0; pixels <= 40'000'000; pixels += 50'000)
        if (!EngineTurns::afterThePlainReading(pixels))
            EXPECT_LE(EngineTurns::addedBytes(pixels, EngineTurns::atOnce(pixels, 3)), EngineTurns::budgetBytes) << pixels;
    EXPECT_FALSE(EngineTurns::afterThePlainReading(1920LL * 1080));
    EXPECT_TRUE(EngineTurns::afterThePlainReading(4000LL * 4000));
}
