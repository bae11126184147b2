// Cards at a fixed pitch with grey pictures: offsets a pitch apart fit alike, and the
// clicks just sent pick the one the captions and strips agree on, or none.
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollAskedStep.h"
#include "Capture/ScrollStitcher.h"

#include "ScrollTestPages.h"


#include <gtest/gtest.h>

using FrameRegistration::Expected;
using ScrollStitcher::placeWithinAskedScroll;

namespace {

constexpr int kWidth = 480, kPitch = 240, kPage = 12 * kPitch;

QImage cards(int loadedFrom = kPage)
{
    return ScrollTestPages::cardColumn(kWidth, kPage, kPitch, 190, loadedFrom);
}

std::optional<int> placed(const QImage& previous, const QImage& next, const Expected& expected)
{
    return placeWithinAskedScroll(framePixels(previous), framePixels(next), expected);
}

} // namespace

TEST(ScrollAskedStep, TheClicksPickTheOffsetTheCaptionsAgreeOnAmongOnesAPitchApart)
{
    const QImage grey = cards();
    const struct {
        int top;    // of the previous frame on the page
        int height; // of the frames
        int moved;  // by the page
        int asked;  // by the clicks
        bool placed = true;
    } cases[] = {
        {300, 320, 159, 159},  // a caption at the previous frame's bottom
        {500, 320, 154, 159},  // the page moved a little less than the clicks
        {1100, 320, 171, 171},
        // A lower selection, the move bringing in nothing but plain picture: a page that
        // ends in a plain band shows a shorter last step alike, so the next frame places it.
        {620, 200, 100, 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "top " << c.top << ", moved " << c.moved);
        const QImage previous = grey.copy(0, c.top, kWidth, c.height);
        const QImage next = grey.copy(0, c.top + c.moved, kWidth, c.height);
        EXPECT_EQ(placed(previous, next, Expected::near(c.asked)), c.placed ? std::optional<int>(c.moved) : std::nullopt);
        // Clicks that cannot have made the move find nothing that fits.
        EXPECT_FALSE(placed(previous, next, Expected::near(c.asked + kPitch / 2)));
    }
}

TEST(ScrollAskedStep, PicturesThatLoadedMeanwhileDoNotStandAgainstTheOffset)
{
    const QImage previous = cards().copy(0, 300, kWidth, 320);
    const QImage next = cards(300).copy(0, 459, kWidth, 320);
    EXPECT_EQ(placed(previous, next, Expected::near(159)), std::optional<int>(159));
}

TEST(ScrollAskedStep, PlainRowsThatFitSeveralOffsetsOrAPageThatDidNotMovePlaceNothing)
{
    const QImage grey = cards();
    // Inside one picture both frames show nothing but grey and the card's borders.
    EXPECT_FALSE(placed(grey.copy(0, 20, kWidth, 80), grey.copy(0, 60, kWidth, 80), Expected::near(40)));
    // The page stood still while the pictures turned to colour.
    EXPECT_FALSE(placed(grey.copy(0, 300, kWidth, 320), cards(0).copy(0, 300, kWidth, 320), Expected::near(159)));
    // Other content throughout: no offset fits.
    EXPECT_FALSE(placed(grey.copy(0, 300, kWidth, 320), grey.copy(0, 459, kWidth, 320).mirrored(true, false),
                        Expected::near(159)));
}
