// Scrolling capture on generated pages where little is left to place a frame by: fixed
// headers and footers that change height over much of the selection, and selections so
// low that the rows two frames share may hold no more than the foot of one line of text.
// Each capture must reach the page's end (or the length limit, and say so), every row
// once.
#include "GeneratedScrollCapture.h"
#include "ScrollDiagnosticsTest.h"

#include "Capture/CaptureLog.h"

#include <cstdio>
#include <initializer_list>

#include <gtest/gtest.h>

namespace {

using namespace GeneratedScrollPage;

class GeneratedScrollBarsAndLowSelectionsTest : public ScrollDiagnosticsTest {};

struct Case {
    quint64 seed;
    int page;
    int height;
    int maxLength; // 0: the default limit
    const char* what;
};

} // namespace

namespace {

// Runs each case and hands its capture and verdict to `check`, under a trace naming it.
template <typename Check>
void forEachCase(std::initializer_list<Case> cases, Check check)
{
    for (const Case& c : cases) {
        const Description page = describe(c.seed, c.page);
        SCOPED_TRACE(testing::Message() << c.what << ": seed " << c.seed << " page " << c.page << " at " << c.height
                                        << " px: " << page.summary().toStdString());
        const Capture capture = runCapture(page, c.height, c.maxLength);
        check(capture, judge(page, capture));
    }
}

} // namespace

TEST_F(GeneratedScrollBarsAndLowSelectionsTest, BarsThatChangeHeightOverMuchOfTheSelectionComeOutExact)
{
    forEachCase(
        {
            // The first click grows the header from 95 to 158 px, a third of the
            // selection, while the footer grows below it.
            {4, 141, 458, 0, "a header that grows to a third of the view over a footer"},
            // Rows a little shorter than a click, above a footer that shrinks: the rows
            // left beside the footer fit a place above as well as the true one.
            {6, 113, 149, 0, "one-line rows above a footer that shrinks, at the lowest selection"},
            // A canvas fixed in the view, partly under a header that shrinks: the rows
            // it covers differ at every offset, right on from the header's.
            {5, 76, 480, 0, "a header that shrinks over a canvas a tenth of the width"},
            // A canvas a third of the width right below the header: the rows it covers
            // are no part of the header, and do not keep the footer from being found.
            {5, 59, 550, 0, "a header above a canvas, over a footer, with pictures that load"},
        },
        [](const Capture&, const Verdict& verdict) {
            EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
        });
}

// Somewhere down a long page of rows of any height, the rows two frames of an 80-px
// selection share are the foot of one line of text and the blank below it, which fit a
// row further as well.
TEST_F(GeneratedScrollBarsAndLowSelectionsTest, LongPagesAtTheLowestSelectionGoOnToTheEndOrTheLimit)
{
    forEachCase({{6, 45, 80, 50000, "392 rows beside a canvas, under the highest limit"}},
                [](const Capture&, const Verdict& verdict) {
                    EXPECT_EQ(verdict.kind, Verdict::Kind::exact)
                        << kindName(verdict.kind) << ": " << verdict.what.toStdString();
                });
    // Told of the limit, not stopped short of it.
    forEachCase({{5, 147, 80, 0, "22399 px of rows, under the default limit"}},
                [](const Capture& capture, const Verdict& verdict) {
                    EXPECT_EQ(verdict.kind, Verdict::Kind::told) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
                    EXPECT_FALSE(capture.stoppedEarly);
                });
}

// Cards at a fixed pitch in a selection about three clicks high: the first clicks' frames
// go unplaced, and one several clicks on fits the first frame a fraction of them down,
// where rows alike line up. Taken as that many clicks' move, it would keep a band twice
// and measure every later step by it.
TEST_F(GeneratedScrollBarsAndLowSelectionsTest, AClickIsNotMeasuredOnAMoveThatAlikeRowsFitAFractionOf)
{
    forEachCase({{7, 79, 126, 0, "cards whose pictures load late, in a selection of three clicks"}},
                [](const Capture&, const Verdict& verdict) {
                    EXPECT_NE(verdict.kind, Verdict::Kind::wrong) << verdict.what.toStdString();
                });
}

// A footer and an animation between the frames around the last of the first clicks: those
// two frames agree at no place at all, which says nothing of the move the clicks made
// together, so it is measured from it and the page comes out whole.
TEST_F(GeneratedScrollBarsAndLowSelectionsTest, AClickIsMeasuredWhereTheLastClicksFramesAgreeNowhere)
{
    forEachCase({{4, 62, 594, 0, "233 rows over a footer, beside an animation"}},
                [](const Capture&, const Verdict& verdict) {
                    EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
                });
}

// Rows fit two offsets alike, one a move up, and the scrollbar's thumb places the frame
// at the other; the judgement the rows gave held no footer. The footer the frames share
// is left out at the thumb's offset too: taken as content, the last kept frame's footer
// would stay between two rows of the image.
TEST_F(GeneratedScrollBarsAndLowSelectionsTest, AFramePlacedByTheThumbLeavesTheFooterOutToo)
{
    forEachCase(
        {
            {1, 97, 506, 0, "rows of text between a header and a footer, the last step placed by the thumb"},
            {3, 76, 747, 0, "cards whose pictures load late, under a header and above a footer"},
            {4, 137, 615, 0, "rows of many heights and cards above a footer"},
        },
        [](const Capture& capture, const Verdict& verdict) {
            EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
            EXPECT_FALSE(capture.stoppedEarly);
        });
}
