// Scrolling capture on generated pages that load more rows at their end (feeds): the
// page stands at the end of what it has loaded while the clicks go on, rows come in place
// of its plain end, pictures turn to colour meanwhile; the capture waits for the rows and
// goes on to the page's end, every row once.
#include "GeneratedScrollCapture.h"
#include "ScrollDiagnosticsTest.h"

#include "Capture/CaptureLog.h"

#include <cstdio>

#include <gtest/gtest.h>

namespace {

using namespace GeneratedScrollPage;

struct Case {
    quint64 seed;
    int page;
    int height;
    const char* what;
};

class GeneratedScrollFeedTest : public ScrollDiagnosticsTest {
public:

    // Each case's capture, with its verdict, under a trace that names it.
    template <std::size_t N, typename Check>
    static void forEachCase(const Case (&cases)[N], Check check)
    {
        for (const Case& c : cases) {
            const Description page = describe(c.seed, c.page);
            SCOPED_TRACE(testing::Message() << "seed " << c.seed << " page " << c.page << " at " << c.height
                                            << " px (" << c.what << "): " << page.summary().toStdString());
            ASSERT_TRUE(page.has(feed)) << "the case no longer loads more rows";
            const Capture capture = runCapture(page, c.height);
            check(capture, judge(page, capture));
        }
    }

    template <std::size_t N>
    static void expectExact(const Case (&cases)[N])
    {
        forEachCase(cases, [](const Capture& capture, const Verdict& verdict) {
            EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
            EXPECT_FALSE(capture.stoppedEarly);
        });
    }

    // Where the page cannot be followed as it loads, every row the image holds is once and
    // in order, and what it leaves out is said.
    template <std::size_t N>
    static void expectWholeOrTold(const Case (&cases)[N])
    {
        forEachCase(cases, [](const Capture&, const Verdict& verdict) {
            EXPECT_TRUE(verdict.kind == Verdict::Kind::exact || verdict.kind == Verdict::Kind::told)
                << kindName(verdict.kind) << ": " << verdict.what.toStdString();
        });
    }
};

// The page stopped short of the clicks at the end of what it had loaded and was looked at
// again; between two looks the feed's rows came in place of its "Loading more" row. The
// page did not move for that: it is kept where it stood, and the rows that came follow.
TEST_F(GeneratedScrollFeedTest, RowsLoadedWhileThePageIsLookedAtAgainLeaveItWhereItStood)
{
    const Case cases[] = {
        {3, 21, 425, "rows of text between a header and a footer, a click of 120 px"},
        {3, 21, 290, "the same at a lower selection"},
    };
    expectExact(cases);
}

// A frame placed by the step alone at the end of what the page had loaded was taken back
// when the page stood still; the next ticks' clicks do not move it, and its rows place it
// short of them. It is kept there, and the frames after the load are placed against it.
TEST_F(GeneratedScrollFeedTest, APageTheClicksNoLongerMoveIsKeptWhereItsRowsPlaceIt)
{
    const Case cases[] = {
        {1, 137, 573, "three columns of cards whose pictures load late"},
        {1, 137, 561, "the same at a lower selection"},
    };
    expectExact(cases);
}

// Looked at again while it stood short of the scroll at the end of what it had loaded, the
// page was placed by its rows at first; then pictures turned to colour in the rows it had
// just shown, and the last look fits no place. The page did not move: it is where the
// look before placed it, and that look is kept there.
TEST_F(GeneratedScrollFeedTest, PicturesLoadingWhileThePageIsLookedAtAgainLeaveItWhereALookPlacedIt)
{
    const Case cases[] = {
        {1, 50, 835, "one column of cards under a header, the page stopped a card's pitch short"},
        {1, 103, 528, "rows and cards above a \"Loading more\" row"},
        {6, 143, 564, "cards above a footer"},
    };
    expectExact(cases);
}

// Under a low selection the "Loading more" row and the page's blank end below it fill
// most of the frame, and the page stands there while the clicks go on. The rows that come
// in their place are kept where they came: a few rows above them that did not move show
// the page did not, however little of the frame they are.
TEST_F(GeneratedScrollFeedTest, RowsLoadedInPlaceUnderALowSelectionAreKeptWhereTheyCame)
{
    const Case cases[] = {
        {4, 14, 228, "two columns of cards, 56 rows of them above the loading row"},
        {2, 30, 290, "rows and cards between a header and a footer, beside a canvas"},
    };
    expectExact(cases);
}

// The last rows came in place of the "Loading more" row while the page stood at its end,
// fewer than that row and the blank below it were high: the page got 14 px shorter and
// the view moved up by as much. Its end is the rows that came, kept once, not an end never
// seen; also above a fixed footer, which stays where it was while the rows above it move.
TEST_F(GeneratedScrollFeedTest, APageThatGetsShorterAsItsLastRowsLoadEndsWithThoseRows)
{
    const Case cases[] = {
        {8, 67, 745, "a feed of rows above a \"Loading more\" row, the view as high as the selection"},
        {19, 131, 836, "the same above a 36-px footer, the page 11 px shorter"},
    };
    expectExact(cases);
}

// Under a low selection the kept frame at the end of what the page had loaded showed
// nothing but the "Loading more" row and the blank below it. Rows came, the page went on
// past them in frames nothing placed, and stopped at the next "Loading more" row, which
// looks as the kept frame did (but for a row's last pixel line above it, or not at all).
// That is no page standing where it was kept: the rows in between were never kept, and
// the capture says it stopped early.
TEST_F(GeneratedScrollFeedTest, AnEndThatLooksLikeTheKeptOneAfterUnplacedFramesIsNoPageStandingStill)
{
    const Case cases[] = {
        {9, 105, 114, "a feed of rows of many heights above a \"Loading more\" row, beside a scrollbar"},
        {9, 294, 80, "the same under a header, the selection no higher than the loading row and the blank"},
    };
    expectWholeOrTold(cases);
}

// The page stopped short of the clicks at the end of what it had loaded, placed there by
// its rows; before the look again, cards came in place of the band it ended with (its
// blank end, or a "Loading more" row beside a canvas that changes at every frame, read
// with the canvas's columns cut out), and that look fit no place.
// The page did not move: the first look stands, not a place a card's pitch further down
// that the loaded cards fit as well, nor a step undone as if the page had gone the whole
// way.
TEST_F(GeneratedScrollFeedTest, CardsThatLoadWhileThePageIsLookedAtAgainDoNotMoveItAPitchDown)
{
    const Case exact[] = {
        {8, 12, 721, "cards whose pictures load late, beside a scrollbar, the whole view"},
    };
    expectExact(exact);
    // Still loading when the capture ends: every row it loaded, and that said.
    const Case besideACanvas[] = {
        {10, 111, 823, "two columns of cards whose pictures load late, under a \"Loading more\" row"},
    };
    expectWholeOrTold(besideACanvas);
}

} // namespace
