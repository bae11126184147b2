// Scrolling capture judged on generated pages: a few pages of one fixed seed, each at the
// view's whole height and at a lower selection, must come out with every row once, in
// order and whole, down to the page's end, or end with a message that is true. The full
// run over many pages is bench_scroll_pages.
#include "GeneratedScrollPinned.h"

#include "Capture/CaptureLog.h"
#include "CaptureTestSupport.h"

#include <QPainter>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

using namespace GeneratedScrollPage;
using namespace GeneratedScrollPinned;
constexpr quint64 kSeed = 20261209;

class GeneratedScrollPagesTest : public PinnedCaptureTest {
public:
    static void expectWholeOrTold(int index)
    {
        const Description page = describe(kSeed, index);
        SCOPED_TRACE(page.summary().toStdString());
        for (const int height : page.selectionHeights) {
            const Capture capture = runCapture(page, height);
            const Verdict verdict = judge(page, capture);
            EXPECT_TRUE(verdict.kind == Verdict::Kind::exact || verdict.kind == Verdict::Kind::told)
                << "selection " << height << " px: " << kindName(verdict.kind) << ": " << verdict.what.toStdString();
        }
    }
};

// The first page of the seed from `from` on with `wanted` and none of `unwanted`.
int firstPageWith(unsigned wanted, unsigned unwanted, int from = 0)
{
    for (int index = from;; ++index) {
        const Description page = describe(kSeed, index);
        if ((page.features & wanted) == wanted && (page.features & unwanted) == 0)
            return index;
    }
}

} // namespace

TEST(GeneratedScrollPageDescription, IsTheSameForTheSameSeedAndMixesEveryFeature)
{
    const Description a = describe(kSeed, 5), b = describe(kSeed, 5), other = describe(kSeed + 1, 5);
    EXPECT_EQ(a.summary(), b.summary());
    EXPECT_EQ(a.pictures.size(), b.pictures.size());
    EXPECT_NE(a.summary(), other.summary());

    unsigned seen = 0;
    int lowest = 0, lastSteps = 0;
    for (int index = 0; index < 100; ++index) {
        const Description page = describe(kSeed, index);
        seen |= page.features;
        ASSERT_EQ(page.selectionHeights.size(), 2u);
        EXPECT_EQ(page.selectionHeights[0], page.viewHeight);
        const int least = 2 * page.clickPx + page.footerBar.tallest();
        EXPECT_GE(page.selectionHeights[1], least) << "never lower than the capture takes";
        lowest += page.selectionHeights[1] == least;
        lastSteps += (page.pageHeight(page.rowCount()) - page.viewHeight) % page.clickPx != 0;
        for (const Animated& a : page.animations)
            EXPECT_LE(a.rect.right(), page.stripX - 8) << "nothing changing covers the rows' strip";
        int expectedTop = page.topPad;
        for (const Row& row : page.rows) {
            ASSERT_EQ(row.top, expectedTop) << "rows follow each other without a gap";
            expectedTop += row.height;
        }
    }
    EXPECT_EQ(seen, (1u << featureCount) - 1) << "every feature shows up in a hundred pages";
    EXPECT_GT(lowest, 10);
    EXPECT_GT(lastSteps, 50);
    for (const int n : {1, 2, 255, 256, 257, 999, 1000})
        EXPECT_EQ(rowOfColour(rowColour(n)), n);
    for (const QRgb other : {qRgb(255, 255, 255), qRgb(204, 204, 204), qRgb(52, 64, 88), qRgb(40, 44, 52), qRgb(0, 0, 0)})
        EXPECT_EQ(rowOfColour(other), 0);
}

TEST(GeneratedScrollPageView, FollowsTheClockAndTheScroll)
{
    ManualCaptureClock clock;
    // A page whose first rows hold a picture below the first view.
    const auto pictureBelowFirstView = [](const Description& page) {
        return std::find_if(page.pictures.begin(), page.pictures.end(), [&](const Picture& p) {
            return p.row <= page.firstRows && p.rect.top() > page.viewHeight;
        });
    };
    Description page;
    for (int index = 0; page.pictures.empty(); ++index) {
        page = describe(kSeed, firstPageWith(cards | latePictures | feed | header, 0, index));
        if (pictureBelowFirstView(page) == page.pictures.end())
            page.pictures.clear();
    }
    View view(page, clock, QPoint(0, 0));
    EXPECT_EQ(view.viewNow(), view.viewNow()) << "still while nothing happens";
    // A picture turns from grey to colour 0.5-2 s after it came into view.
    const Picture& picture = *pictureBelowFirstView(page);
    ASSERT_GE(picture.loadMs, 500);
    ASSERT_LE(picture.loadMs, 2000);
    // Scrolled in and out of view again: it goes on loading.
    while (view.top() + page.viewHeight <= picture.rect.top())
        view.scroll({}, 1);
    view.scroll({}, -50);
    clock.advance(picture.loadMs - 1);
    const auto pixel = [&] {
        while (view.top() + page.viewHeight < picture.rect.bottom())
            view.scroll({}, 1);
        return view.viewNow().pixel(picture.rect.center() - QPoint(0, view.top()));
    };
    EXPECT_EQ(pixel(), qRgb(204, 204, 204));
    clock.advance(1);
    EXPECT_NE(pixel(), qRgb(204, 204, 204));
    // The header shrinks or grows with the scroll; the feed loads once its end shows.
    ManualCaptureClock feedClock;
    View feedView(page, feedClock, QPoint(0, 0));
    feedView.scroll({}, 1);
    EXPECT_EQ(feedView.top(), page.clickPx);
    EXPECT_EQ(feedView.viewNow().pixel(5, page.headerBar.heightAt(page.clickPx) - 1), qRgb(30, 36, 50));
    const int loaded = feedView.loadedRows();
    EXPECT_EQ(loaded, page.firstRows);
    while (feedView.top() < feedView.maxTop())
        feedView.scroll({}, 1);
    feedClock.advance(page.loadDelaysMs[0] - 1);
    feedView.viewNow();
    EXPECT_EQ(feedView.loadedRows(), loaded);
    feedClock.advance(1);
    feedView.viewNow();
    EXPECT_EQ(feedView.loadedRows(), std::min(page.rowCount(), loaded + page.batchRows));
}

// A grab draws only the selection; it must be exactly that part of the whole view, bars,
// animations, grey pictures, loading row and scrollbar included, wherever the view is.
TEST(GeneratedScrollPageView, AGrabIsThatPartOfTheWholeView)
{
    for (const unsigned features : {unsigned(header | footer | animation | scrollbar), unsigned(cards | latePictures | feed | loadingRow)}) {
        const Description page = describe(kSeed, firstPageWith(features, 0));
        ManualCaptureClock clock;
        const QPoint origin(40, 25);
        View view(page, clock, origin);
        const QList<QRect> parts{QRect(0, 0, page.width, page.viewHeight), QRect(0, 0, page.width, 80),
                                 QRect(0, page.viewHeight - 114, page.width, 114), QRect(17, 50, page.width - 30, 301)};
        for (int step = 0; step < 12 && view.top() < view.maxTop(); ++step) {
            const QImage whole = view.viewNow();
            for (const QRect& part : parts)
                EXPECT_EQ(view.grab(part.translated(origin), false), whole.copy(part))
                    << "features " << features << ", top " << view.top() << ", part " << part.y() << "+" << part.height();
            view.scroll({}, 3);
            clock.advance(170);
        }
    }
}

TEST(GeneratedScrollPageJudge, FindsEveryKindOfFaultAndOnlyThose)
{
    // A page without bars or feed: the perfect capture is the page below the selection's top.
    const Description page = describe(kSeed, firstPageWith(variedRows, header | footer | feed | cards));
    ManualCaptureClock clock;
    View view(page, clock, QPoint(0, 0));
    const int height = page.selectionHeights[1];
    const int selectionTop = page.viewHeight - height;
    const int pageHeight = page.pageHeight(page.rowCount());
    // The whole page, view after view, one click apart.
    QImage whole(page.width, pageHeight, QImage::Format_RGB32);
    {
        QPainter painter(&whole);
        painter.drawImage(0, 0, view.viewNow());
        while (view.top() < view.maxTop()) {
            view.scroll({}, 1);
            painter.drawImage(0, view.top(), view.viewNow());
        }
    }
    const QImage perfect = whole.copy(0, selectionTop, page.width, pageHeight - selectionTop);
    const Row& middle = page.rows[page.rows.size() / 2];
    const int middleAt = middle.top - selectionTop;
    const auto withBand = [&](int from, int rows, int at) {
        QImage image(perfect.width(), perfect.height() + rows, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.drawImage(0, 0, perfect.copy(0, 0, perfect.width(), at));
        painter.drawImage(0, at, perfect.copy(0, from, perfect.width(), rows));
        painter.drawImage(0, at + rows, perfect.copy(0, at, perfect.width(), perfect.height() - at));
        return image;
    };
    const auto without = [&](int from, int rows) {
        QImage image(perfect.width(), perfect.height() - rows, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.drawImage(0, 0, perfect.copy(0, 0, perfect.width(), from));
        painter.drawImage(0, from, perfect.copy(0, from + rows, perfect.width(), perfect.height() - from - rows));
        return image;
    };
    const int endOfRows = page.rowsEnd(page.rowCount()) - selectionTop;
    const QString stoppedEarly = QStringLiteral("Scrolling Capture Stopped Early: cut short");
    const int stillLoading = page.rowCount() - 1;
    const struct {
        const char* name;
        QImage image;
        QStringList alerts;
        Verdict::Kind kind;
        int loadedRows = 0; // 0: every row loaded
    } cases[] = {
        {"every row once", perfect, {}, Verdict::Kind::exact},
        {"a band of rows twice", withBand(middleAt, 3 * middle.height, middleAt + 3 * middle.height), {}, Verdict::Kind::wrong},
        {"a seam of 5 px twice inside a row", withBand(middleAt + 2, 5, middleAt + 7), {}, Verdict::Kind::wrong},
        {"a row lost", without(middleAt, middle.height), {}, Verdict::Kind::wrong},
        {"the end band twice", withBand(endOfRows, page.bottomPad, perfect.height()), {}, Verdict::Kind::wrong},
        {"the last row lost, no message", perfect.copy(0, 0, page.width, endOfRows - page.rows.back().height), {}, Verdict::Kind::wrong},
        {"the last rows lost, Stopped Early, every row loaded", perfect.copy(0, 0, page.width, middleAt + 4), {stoppedEarly}, Verdict::Kind::gaveUp},
        {"the last rows lost, Stopped Early, still loading", perfect.copy(0, 0, page.width, middleAt + 4), {stoppedEarly}, Verdict::Kind::told, stillLoading},
        {"the last rows lost, no message, still loading", perfect.copy(0, 0, page.width, middleAt + 4), {}, Verdict::Kind::wrong, stillLoading},
        {"Stopped Early with every row", perfect, {stoppedEarly}, Verdict::Kind::wrong},
        {"a band twice, Stopped Early", withBand(0, 40, 40).copy(0, 0, page.width, middleAt), {stoppedEarly}, Verdict::Kind::wrong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Capture capture;
        capture.selectionHeight = height;
        capture.maxLength = 20000;
        capture.finished = true;
        capture.image = c.image;
        capture.alerts = c.alerts;
        capture.stoppedEarly = !c.alerts.isEmpty();
        capture.loadedRowsAtEnd = c.loadedRows > 0 ? c.loadedRows : page.rowCount();
        const Verdict verdict = judge(page, capture);
        EXPECT_EQ(verdict.kind, c.kind) << verdict.what.toStdString();
    }
    // Cut short at the limit, or where the page had not loaded more yet: true endings.
    Capture limited;
    limited.selectionHeight = height;
    limited.finished = true;
    limited.maxLength = middleAt + 4;
    limited.image = perfect.copy(0, 0, page.width, limited.maxLength);
    limited.loadedRowsAtEnd = page.rowCount();
    EXPECT_EQ(judge(page, limited).kind, Verdict::Kind::told);
    limited.stoppedEarly = true;
    limited.alerts = {stoppedEarly};
    EXPECT_EQ(judge(page, limited).kind, Verdict::Kind::told);
    limited.maxLength = 20000;
    EXPECT_EQ(judge(page, limited).kind, Verdict::Kind::gaveUp);
    limited.stoppedEarly = false;
    limited.alerts.clear();
    EXPECT_EQ(judge(page, limited).kind, Verdict::Kind::wrong);
}

// Cards whose pictures turn from grey to colour after they show, captured whole: the
// page's last step taken while pictures loaded at its end, a fixed footer beside them,
// and the first step looked at again once they loaded.
TEST_F(GeneratedScrollPagesTest, CardsWithPicturesLoadingLateComeOutExact)
{
    const PinnedCapture cases[] = {
        {1, 26, 621},  // four columns, a header, the pictures loading at the page's end
        {1, 142, 872}, // two columns above a fixed footer, a last step of 30 px
        {1, 11, 834},  // between rows of text, under a header and above a footer
        {1, 118, 143}, // one row of cards at a time, the first step's pictures loading
        {6, 1, 882},   // under a header, a frame placed by the step at the page's end taken back
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << verdict.what.toStdString();
    });
}

// The page's last step, shorter than a step, placed by its rows once and then no more:
// the pictures it brought in loaded, and beside an animation two places a card apart
// fit the rest alike. The page stood there since: its rows' place is kept, nothing said.
TEST_F(GeneratedScrollPagesTest, ALastStepPlacedOnceByItsRowsStandsWherePicturesLoadedSince)
{
    const PinnedCapture cases[] = {
        {6, 38, 529}, // three columns beside an animation that scrolls with its row, a scrollbar
        {3, 60, 428}, // beside a canvas, under a header and above a footer that change height
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << verdict.what.toStdString();
    });
}

TEST_F(GeneratedScrollPagesTest, ThePagesEndComesOutWholeOrIsToldTruly)
{
    const struct {
        quint64 seed;
        int page;
        int height;
        Verdict::Kind kind;
    } cases[] = {
        // The last frames show nothing but the plain end the rows end in.
        {2, 123, 106, Verdict::Kind::exact}, // plain rows, no fixed bar
        {1, 6, 166, Verdict::Kind::exact},   // above a fixed footer, its end less than a click on
        {1, 44, 194, Verdict::Kind::exact},  // beside a canvas fixed in the view
        // Pictures that load at the page's end, beside columns that change by themselves
        // and cut across one of them.
        {2, 98, 727, Verdict::Kind::exact}, // also a page standing where its last frame was kept
        {1, 101, 533, Verdict::Kind::exact},
        // The page stood above the last kept frame at the end: it never showed its end.
        {2, 36, 185, Verdict::Kind::told},
        // The rows end in their last line and rule at the top of the last frames.
        {4, 12, 114, Verdict::Kind::exact}, // the last step shows those two rows alone
        {4, 8, 80, Verdict::Kind::exact},   // as does the frame a click back up from the end
        {4, 149, 94, Verdict::Kind::exact}, // a page moved on past them is no change in place
        {5, 76, 80, Verdict::Kind::exact},   // the same beside an animation
        {5, 55, 164, Verdict::Kind::told},   // the same where a feed ends, above a footer
        {18, 91, 161, Verdict::Kind::exact}, // one line of the last row's strip left, above a footer
        {17, 149, 195, Verdict::Kind::exact},
        // Cards a pitch apart fit the last, shorter scroll and a place above the kept frame
        // alike; the pictures that load afterwards place it nowhere.
        {14, 33, 868, Verdict::Kind::exact},
        // Frames that moved before a click was measured, none placed, then a feed's
        // "Loading more" row where the page stood: rows left out, and said.
        {16, 42, 317, Verdict::Kind::told},
    };
    forEachCapture(cases, [](const auto& c, const Description&, const Capture& capture, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, c.kind) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
        EXPECT_EQ(capture.stoppedEarly, c.kind == Verdict::Kind::told);
    });
}

// At the page's end a card's picture loads while a small animation, fixed in the view and
// never taken for columns that change by themselves, changes over its top rows: the
// page stood still there. Taken for a page that moved, the frames were rejected and the
// page scrolled back from its end, and the capture said it stopped early with every row.
TEST_F(GeneratedScrollPagesTest, AnEndWherePicturesLoadUnderASmallAnimationIsNoEarlyStop)
{
    const PinnedCapture cases[] = {
        {8, 99, 555}, // one card a row under a header, the animation across a picture's top rows
        {8, 99, 724}, // the same at the view's whole height
        {8, 30, 454}, // two clicks a step, the last step 68 px
    };
    forEachCapture(cases, [](const auto&, const Description& page, const Capture& capture, const Verdict& verdict) {
        ASSERT_FALSE(page.animations.empty()) << "the case no longer has an animation";
        expectExactAndSilent(capture, verdict);
    });
}

// Rows at a fixed pitch down to the page's end, beside an animation fixed in the view: the
// last scroll, shorter than a step, fits the rows at two offsets a pitch apart, and the
// animation keeps them from agreeing whole at either. The scrollbar's thumb went down as
// far as one of them; rejected, the frame was scrolled back from and the capture said it
// stopped early with every row.
TEST_F(GeneratedScrollPagesTest, ALastScrollTheRowsFitTwoWaysBesideAnAnimationIsPlacedByTheThumb)
{
    const PinnedCapture cases[] = {
        {7, 135, 846}, // offsets 76 and -8 fit alike, the thumb went 73 to 84 rows
    };
    forEachCapture(cases, [](const auto&, const Description& page, const Capture& capture, const Verdict& verdict) {
        ASSERT_TRUE(page.has(animation) && page.has(scrollbar)) << "the case no longer has an animation and a scrollbar";
        expectExactAndSilent(capture, verdict);
    });
    // Two moves down tied, one of them where the thumb went: the rows may fit a third, and
    // the thumb's pick would place the frame wrong. Left to the rest, they come out exact.
    const PinnedCapture twoDown[] = {
        {7, 1, 824},   // 182 and 686 tied, pictures loading above a footer
        {8, 116, 333}, // 0 and 1 tied, cards under a header
    };
    forEachCapture(twoDown, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
    });
}

// The page's last scroll is a few rows into its plain end, beside an animation and above a
// footer that grows as the page scrolls: the frame shows the last row's foot moved up and
// nothing else that places it, and the change passed for one in place. Taken for a page
// that stood still, the end band came out that many rows short.
TEST_F(GeneratedScrollPagesTest, ALastScrollOfAFewRowsIntoThePlainEndBesideAnAnimationIsKept)
{
    const PinnedCapture cases[] = {
        {7, 16, 200}, // a last scroll of 9 px, the footer 51 px high by then
    };
    forEachCapture(cases, [](const auto&, const Description& page, const Capture& capture, const Verdict& verdict) {
        ASSERT_TRUE(page.has(animation) && page.has(footer)) << "the case no longer has an animation and a footer";
        expectExactAndSilent(capture, verdict);
    });
}

// Cards at the end of what a feed has loaded: the page stands there, its pictures turning
// to colour, until more rows load in place of its blank end. Those rows are kept where
// they came, though the cards above them no longer look as the kept frame showed them,
// and the next frames are placed against the cards as they look by then.
// The page's last scroll, shorter than a step, under an animation fixed in the view over
// the rows: no row fits whole across the stripes, and the rows around them were the only
// ones left to place it. Unplaced, the capture said it stopped early with every row in.
TEST_F(GeneratedScrollPagesTest, ALastScrollUnderAnAnimationFixedInTheViewIsPlacedByTheRowsAroundIt)
{
    const PinnedCapture cases[] = {
        {16, 29, 593}, // rows above a cookie bar, beside a scrollbar
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture& capture, const Verdict& verdict) {
        expectExactAndSilent(capture, verdict);
    });
}

// At the page's end the pictures load under an animation fixed in the view over them:
// judged run by run of the rows they cross, all of them came out of placeholders, and
// only the animation changed by itself. Taken for rows that could not be placed, the
// capture said it stopped early with every card in.
TEST_F(GeneratedScrollPagesTest, AnEndWherePicturesLoadUnderAnAnimationOverThemIsNoEarlyStop)
{
    const PinnedCapture cases[] = {
        {13, 3, 706},  // four columns under a header, beside a scrollbar
        {16, 95, 461}, // two columns under a header
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture& capture, const Verdict& verdict) {
        expectExactAndSilent(capture, verdict);
    });
}

TEST_F(GeneratedScrollPagesTest, CardsWaitingForAFeedWhilePicturesLoadComeOutExact)
{
    const PinnedCapture cases[] = {
        {1, 13, 462}, // cards only, a "Loading more" row and a scrollbar, two clicks a step
        {2, 10, 710}, // cards between rows of text under a header, three clicks a step
        {1, 42, 436}, // rows loaded in place of the "Loading more" row while pictures above loaded
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << verdict.what.toStdString();
    });
}

// Selections where the first click's frame cannot be placed, though a click moves no more
// than half of them: the first view returns when scrolled back, yet "too low" is false.
// Nor is it where cards a pitch apart place the frame scrolled back above the first view:
// that view did not return.
TEST_F(GeneratedScrollPagesTest, AClickOfAtMostHalfTheSelectionIsNotTooLowWhereItCannotBeMeasured)
{
    const PinnedOutcome cases[] = {
        {2, 146, 185, true},  // a footer that grows by 2 px over half of it, the rest one click
        {2, 83, 538, true},   // a footer that changes height beside an animation
        {2, 148, 114, false}, // plain placeholders between card borders, the click half of it
        {1, 25, 200, false},  // cards of smooth gradients, the click half of it
        {4, 87, 177, false},  // placeholders above a footer that shrinks, the cards' text under it
        {6, 78, 180, false},  // the same where the page loads more
        {14, 48, 254, false}, // a footer a row lower moves its text over the cards' text under it
        {19, 13, 157, false}, // cards under a header and above a footer place a 57-px click 66 px above
    };
    forEachCapture(cases, [](const auto& c, const Description& page, const Capture& capture, const Verdict& verdict) {
        EXPECT_LE(2 * page.clickPx, c.height) << "the case no longer has a click of at most half the selection";
        EXPECT_FALSE(capture.tooLow);
        expectExactOrNotWrong(c.exact, verdict);
    });
}

// A page that stood short of where the clicks sent it is kept where it stopped only where
// that place cannot be one a whole repeat of alike rows (cards at a fixed pitch) short of
// the true one: the clicks went no further than a frame can be placed, or the rows followed
// the page down before, and a scrollbar's thumb, where there is one, agrees. Otherwise the
// frame is not placed, and the capture may end early, with the message; never with a band
// of cards left out.
TEST_F(GeneratedScrollPagesTest, APageStoppedShortIsNotPlacedWhereRepeatingRowsMayHaveFooledTheRows)
{
    const PinnedOutcome cases[] = {
        {1, 26, 200, false},  // cards 260 px apart, sent 300 px, found 40: beyond a frame
        {1, 115, 106, false}, // cards, no scrollbar, sent 424 px, found 64
        {1, 91, 200, false},  // found 69 at one tick, then 38 at a later one: no page goes back up
        {3, 144, 330, false}, // cards 164 px apart, sent 171 px, found 7 after a tick placed it above
        {3, 24, 310, false},  // cards 237 px apart above a 76-px footer, sent 265 px, found 28
        {4, 84, 267, false},  // cards 178 px apart between bars, sent 200 px, found 22
        {5, 17, 568, false},  // lines alike but for their markers, sent 265 px, found 13
        {4, 137, 248, false}, // found 5 at a feed's end, then above, then 5 again: not a page following down
        {13, 57, 106, false}, // found 21, then 42 inside a tall row of pictures, the frames between placed nowhere
        {19, 22, 430, false}, // cards 259 px apart tie 64 and -195 at the end, sent 342 px: 323 fits as well
        {1, 35, 347, true},   // two columns of cards, sent 171 px, found 14; the thumb says 171
        {2, 43, 750, true},   // a feed that let the page on a little at a time as it loaded
        {1, 31, 115, true},   // a blank gap at the top of a low selection, no header
    };
    forEachCapture(cases, [](const auto& c, const Description&, const Capture&, const Verdict& verdict) {
        expectExactOrNotWrong(c.exact, verdict);
    });
}

// A plain end longer than the selection: the frames at the page's end show nothing but
// that end, whose length the clicks back up to the last rows measure. Where no rows show
// on the way back, the end's length is not known, and the capture says so.
TEST_F(GeneratedScrollPagesTest, APlainEndLongerThanTheSelectionComesOutWholeOrIsToldTruly)
{
    const PinnedOutcome cases[] = {
        {2, 109, 80, true},  // 137 px of end under an 80-px selection, a scrollbar
        {2, 122, 80, true},  // 154 px, the last rows two clicks up
        {3, 49, 181, true},  // 228 px above a fixed footer, beside an animation
        {2, 62, 181, false}, // a feed's end between bars that change height, loading more meanwhile
        {6, 129, 80, false}, // a feed still loading: the frame a click up shows rows that place nowhere
    };
    forEachCapture(cases, [](const auto& c, const Description&, const Capture& capture, const Verdict& verdict) {
        expectExactOrNotWrong(c.exact, verdict);
        if (c.exact)
            EXPECT_FALSE(capture.stoppedEarly);
    });
}

// Cards at a fixed pitch, their pictures still grey: the offsets a pitch apart fit the
// rows alike, and the one a pitch back, where the boxes' edges line up, often fits best.
// The clicks just sent pick the one the captions and the rows' strips agree on, and the
// capture goes on to the page's end.
TEST_F(GeneratedScrollPagesTest, CardsAPitchApartArePlacedByWhatTheClicksAllow)
{
    const PinnedCapture cases[] = {
        {1, 12, 320},  // one column under a header, between rows of text
        {1, 107, 129}, // a low selection beside an animation, with a scrollbar
        {1, 122, 442}, // under a header, beside a scrollbar
        {1, 92, 259},  // above a fixed footer
        {2, 116, 200}, // cards only, with a scrollbar
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
    });
}

// Low selections inside cards whose pictures are still grey: a frame shares nothing with
// the last kept one but grey rows between the cards' sides, or a picture's edge with only
// grey coming in. The clicks place it, the captions that follow bear it out, and the
// capture goes on to the page's end.
TEST_F(GeneratedScrollPagesTest, FramesInsideGreyPicturesArePlacedByTheClicks)
{
    const PinnedCapture cases[] = {
        {1, 26, 200},  // four columns under a header, beside a scrollbar
        {1, 32, 171},  // above a footer that changes height
        {1, 105, 80},  // the lowest selection, beside an animation
        {1, 115, 106}, // between rows of text
        {1, 122, 140}, // under a header, beside a scrollbar
        {3, 140, 175}, // a feed's last, shorter step after a grey picture
    };
    forEachCapture(cases, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        EXPECT_EQ(verdict.kind, Verdict::Kind::exact) << kindName(verdict.kind) << ": " << verdict.what.toStdString();
    });
    // Where grey rows cannot be told from a page that stopped, or from one that lagged
    // behind the clicks, the capture may stop short, but says so and adds nothing.
    const PinnedCapture unsure[] = {
        {3, 69, 292}, // beside animations over most of the width
        {4, 39, 207}, // a feed's page that stood short of the clicks before
    };
    forEachCapture(unsure, [](const auto&, const Description&, const Capture&, const Verdict& verdict) {
        expectExactOrNotWrong(false, verdict);
    });
}

// A feed whose loaded end the page reached part-way through a scroll: no band of it twice.
// Looked at again while the pictures there loaded, the page stood where the first looks
// placed it, although the loaded pictures fit the rows a card's pitch further as well; and
// a frame kept over grey rows by the clicks, that shows the feed's blank end below them and
// on which the page then stands, may lie short of where the clicks sent it, so it is not
// kept there, nor is the next over grey rows where clicks that went partly nowhere sent it
// (the capture may then stop early, and says so).
TEST_F(GeneratedScrollPagesTest, AFeedsEndReachedPartWayThroughAScrollKeepsNoBandTwice)
{
    const PinnedOutcome cases[] = {
        {12, 65, 768, true},  // stood 60 px into a 360-px step; 644 px fit the loaded pictures too
        {11, 106, 240, false}, // kept 120 px on over a grey picture, the page went 98
        {2, 101, 137, false},  // taken back so, then standing still there: no click places a frame again
    };
    forEachCapture(cases, [](const auto& c, const Description&, const Capture&, const Verdict& verdict) {
        expectExactOrNotWrong(c.exact, verdict);
    });
}

TEST_F(GeneratedScrollPagesTest, Page0) { expectWholeOrTold(0); }
TEST_F(GeneratedScrollPagesTest, Page1) { expectWholeOrTold(1); }
TEST_F(GeneratedScrollPagesTest, Page2) { expectWholeOrTold(2); }
TEST_F(GeneratedScrollPagesTest, Page3) { expectWholeOrTold(3); }
TEST_F(GeneratedScrollPagesTest, Page4) { expectWholeOrTold(4); }
TEST_F(GeneratedScrollPagesTest, Page5) { expectWholeOrTold(5); }
TEST_F(GeneratedScrollPagesTest, Page6) { expectWholeOrTold(6); }
TEST_F(GeneratedScrollPagesTest, Page7) { expectWholeOrTold(7); }
TEST_F(GeneratedScrollPagesTest, Page8) { expectWholeOrTold(8); }
TEST_F(GeneratedScrollPagesTest, Page9) { expectWholeOrTold(9); }
TEST_F(GeneratedScrollPagesTest, Page10) { expectWholeOrTold(10); }
TEST_F(GeneratedScrollPagesTest, Page11) { expectWholeOrTold(11); }
TEST_F(GeneratedScrollPagesTest, Page12) { expectWholeOrTold(12); }
TEST_F(GeneratedScrollPagesTest, Page13) { expectWholeOrTold(13); }
TEST_F(GeneratedScrollPagesTest, Page14) { expectWholeOrTold(14); }
TEST_F(GeneratedScrollPagesTest, Page15) { expectWholeOrTold(15); }
TEST_F(GeneratedScrollPagesTest, Page16) { expectWholeOrTold(16); }
TEST_F(GeneratedScrollPagesTest, Page17) { expectWholeOrTold(17); }
TEST_F(GeneratedScrollPagesTest, Page18) { expectWholeOrTold(18); }
TEST_F(GeneratedScrollPagesTest, Page19) { expectWholeOrTold(19); }
