// Rows exactly alike down to a page's end: the scrollbar thumb's travel places the
// frames the rows cannot, and nothing else is placed by it.
#include "Capture/CaptureLog.h"
#include "Capture/FramePixels.h"
#include "Capture/ScrollStitcher.h"
#include "Capture/ScrollThumbTravel.h"
#include "ScrollTestPages.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

using namespace ScrollStitcher;

namespace {

constexpr int kWidth = 480, kHeight = 400, kStep = 240, kIntro = 300;

struct QuietDiagnostics {
    QuietDiagnostics() { setCaptureDiagnosticSink([](const QString&) {}); }
    ~QuietDiagnostics() { setCaptureDiagnosticSink({}); }
};

// kIntro rows of varied text, then `count` rows exactly alike, `period` rows each: a
// bar, the same words, a gap.
QImage alikeToTheEnd(int count, int period)
{
    const QImage intro = ScrollTestPages::page(kWidth).copy(0, 0, kWidth, kIntro);
    QImage image(kWidth, kIntro + count * period, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(252, 252, 250));
    QPainter painter(&image);
    painter.drawImage(0, 0, intro);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int i = 0; i < count; ++i) {
        const int y = kIntro + i * period;
        painter.fillRect(300, y, 40, period * 3 / 4, QColor(40, 120, 200));
        if (period >= 20)
            painter.drawText(12, y + period / 2 + 4, QStringLiteral("The same entry, again"));
    }
    return image;
}

ScrollTestPages::Decor withScrollbar(bool scrollbar)
{
    ScrollTestPages::Decor decor;
    decor.scrollbar = scrollbar ? 14 : 0;
    decor.pageHeader = true; // the thumb follows this page
    return decor;
}

// A recording that kept frames a step apart from the page's top down to `lastTop`.
struct Recording {
    ScrollThumbTravel travel;
    QImage last;
};

void keepDownTo(Recording& recording, const QImage& page, int lastTop, bool scrollbar)
{
    int previousTop = 0;
    for (int top = 0;; top = std::min(top + kStep, lastTop)) {
        const QImage frame = ScrollTestPages::frame(page, top, kHeight, withScrollbar(scrollbar));
        recording.travel.noteKept(recording.last, frame, top - previousTop);
        recording.last = frame;
        previousTop = top;
        if (top == lastTop)
            break;
    }
}

// The page's last tick as the engine judges it: a step sent, the page stopping short.
FrameJudgement lastTick(const QImage& previous, const QImage& frame)
{
    return judgeFrame(previous, frame, {}, kStep, JudgeMode::tick);
}

} // namespace

TEST(ScrollThumbTravel, RowsAlikeToThePagesEndArePlacedExactlyByTheThumb)
{
    const QuietDiagnostics quiet;
    const QImage page = alikeToTheEnd(60, 40);
    const int end = page.height() - kHeight;
    // The engine leaves the first three open or places them wrong; the last it gets right
    // by the step, and the thumb agrees.
    for (const int rest : {17, 100, 173, 230}) {
        SCOPED_TRACE(rest);
        Recording recording;
        keepDownTo(recording, page, end - rest, true);
        const auto scale = recording.travel.scale();
        ASSERT_TRUE(scale.has_value()) << "the thumb was seen moving with the kept frames";
        const QImage final = ScrollTestPages::frame(page, end, kHeight, withScrollbar(true));
        const FrameJudgement engine = lastTick(recording.last, final);
        if (rest != 230)
            EXPECT_FALSE(engine.append && engine.newPx == rest) << "the rows alone cannot tell the last scroll";
        const FrameJudgement placed = placedByThumb(engine, scale, recording.last, final);
        EXPECT_TRUE(placed.append);
        EXPECT_EQ(placed.newPx, rest);
        EXPECT_FALSE(placed.settledByStep);
        EXPECT_FALSE(placed.duplicate);
    }
}

TEST(ScrollThumbTravel, WithoutAScrollbarOrWithRowsCloserThanTheThumbCanTellNothingIsPlaced)
{
    const QuietDiagnostics quiet;
    {
        SCOPED_TRACE("no scrollbar");
        const QImage page = alikeToTheEnd(60, 40);
        const int end = page.height() - kHeight;
        Recording recording;
        keepDownTo(recording, page, end - 100, false);
        EXPECT_FALSE(recording.travel.scale().has_value());
        const QImage final = ScrollTestPages::frame(page, end, kHeight, withScrollbar(false));
        const FrameJudgement engine = lastTick(recording.last, final);
        EXPECT_EQ(placedByThumb(engine, recording.travel.scale(), recording.last, final).detection(), engine.detection());
        EXPECT_EQ(placedByThumb(engine, recording.travel.scale(), recording.last, final).newPx, engine.newPx);
        EXPECT_EQ(placedByThumb(engine, recording.travel.scale(), recording.last, final).append, engine.append);
    }
    {
        SCOPED_TRACE("rows 6 apart, the thumb about 7 content rows a pixel");
        const QImage page = alikeToTheEnd(400, 6);
        const int end = page.height() - kHeight;
        Recording recording;
        keepDownTo(recording, page, end - 100, true);
        const auto scale = recording.travel.scale();
        ASSERT_TRUE(scale.has_value());
        const QImage final = ScrollTestPages::frame(page, end, kHeight, withScrollbar(true));
        EXPECT_FALSE(offsetByThumb(*scale, recording.last, final, 0).has_value()) << "several alike offsets fit";
        const FrameJudgement engine = lastTick(recording.last, final);
        const FrameJudgement placed = placedByThumb(engine, scale, recording.last, final);
        EXPECT_EQ(placed.append, engine.append);
        EXPECT_EQ(placed.newPx, engine.newPx);
    }
}

TEST(ScrollThumbTravel, AnOffsetTheRowsSettleIsNeverOverridden)
{
    const QuietDiagnostics quiet;
    const QImage page = ScrollTestPages::page(kWidth);
    Recording recording;
    keepDownTo(recording, page, 4 * kStep, true);
    const auto scale = recording.travel.scale();
    ASSERT_TRUE(scale.has_value());
    const QImage next = ScrollTestPages::frame(page, 4 * kStep + 150, kHeight, withScrollbar(true));
    EXPECT_EQ(offsetByThumb(*scale, recording.last, next, 0), std::optional<int>(150)) << "the thumb agrees";
    // Varied rows register on their own, as before.
    const FrameJudgement engine = judgeFrame(recording.last, next, {}, 0, JudgeMode::first);
    ASSERT_TRUE(engine.append);
    ASSERT_FALSE(engine.settledByStep);
    const FrameJudgement placed = placedByThumb(engine, scale, recording.last, next);
    EXPECT_EQ(placed.newPx, engine.newPx);
    EXPECT_EQ(placed.footerPx, engine.footerPx);
    // A found offset, or a frame judged no new content, stands whatever the thumb says.
    FrameJudgement found;
    found.append = true;
    found.newPx = found.foundPx = 120;
    EXPECT_EQ(placedByThumb(found, scale, recording.last, next).newPx, 120);
    FrameJudgement still;
    still.duplicate = true;
    EXPECT_FALSE(placedByThumb(still, scale, recording.last, next).append);
    FrameJudgement tooFar;
    tooFar.foundPx = 390;
    EXPECT_FALSE(placedByThumb(tooFar, scale, recording.last, next).append);
}

TEST(ScrollThumbTravel, TheThumbIsFoundAsTheOneRunThatMovesAndKeepsItsLength)
{
    const QImage page = alikeToTheEnd(60, 40);
    const QImage a = ScrollTestPages::frame(page, 500, kHeight, withScrollbar(true));
    const QImage b = ScrollTestPages::frame(page, 740, kHeight, withScrollbar(true));
    const auto thumb = findThumb(framePixels(a), framePixels(b));
    ASSERT_TRUE(thumb.has_value());
    EXPECT_GE(thumb->column, kWidth - 14 + 2);
    EXPECT_LT(thumb->column, kWidth - 2);
    // The view at the top: the thumb meets the frame's edge, and its top is not known.
    const QImage top = ScrollTestPages::frame(page, 0, kHeight, withScrollbar(true));
    EXPECT_FALSE(thumbTop(framePixels(top), *thumb).has_value());
    ASSERT_TRUE(thumbTop(framePixels(a), *thumb).has_value());
    ASSERT_TRUE(thumbTop(framePixels(b), *thumb).has_value());
    EXPECT_GT(*thumbTop(framePixels(b), *thumb), *thumbTop(framePixels(a), *thumb));
    // Without a scrollbar, or with the view not moved, there is none.
    const QImage plainA = ScrollTestPages::frame(page, 500, kHeight), plainB = ScrollTestPages::frame(page, 740, kHeight);
    EXPECT_FALSE(findThumb(framePixels(plainA), framePixels(plainB)).has_value());
    EXPECT_FALSE(findThumb(framePixels(a), framePixels(a)).has_value());
}

// Among alike rows a loaded machine may take a frame before the page has finished the
// scroll sent: the step places it one spacing of the rows further than it is, and the
// next frame, taken after the page caught up, one spacing nearer. Those places are
// only as good as that, and the thumb must not learn its scale from them as if exact.
TEST(ScrollThumbTravel, FramesPlacedByTheStepAmongAlikeRowsTeachTheThumbOnlyWhatTheyKnow)
{
    const QuietDiagnostics quiet;
    constexpr int kPeriod = 40, kFirst = 400;
    const QImage page = alikeToTheEnd(100, kPeriod);
    const auto frameAt = [&](int top) { return ScrollTestPages::frame(page, top, kHeight, withScrollbar(true)); };
    {
        SCOPED_TRACE("one step seen, placed a spacing too far");
        Recording recording;
        recording.travel.noteKept({}, frameAt(kFirst), kHeight);
        recording.travel.noteKept(frameAt(kFirst), frameAt(kFirst + kStep), kStep + kPeriod, kPeriod);
        recording.last = frameAt(kFirst + kStep);
        const QImage next = frameAt(kFirst + 2 * kStep);
        const FrameJudgement engine = lastTick(recording.last, next);
        ASSERT_TRUE(engine.append);
        ASSERT_TRUE(engine.settledByStep);
        ASSERT_EQ(engine.newPx, kStep);
        EXPECT_EQ(engine.alikeSpacingPx, kPeriod) << "the rows fit as well a period either way";
        const FrameJudgement placed = placedByThumb(engine, recording.travel.scale(), recording.last, next);
        EXPECT_EQ(placed.newPx, kStep) << "a scale learnt over one misplaced step moves no frame";
    }
    {
        SCOPED_TRACE("misplaced and caught up early on, the page's end later");
        const int end = page.height() - kHeight;
        for (const int rest : {60, 100, 173}) {
            SCOPED_TRACE(rest);
            Recording recording;
            recording.travel.noteKept({}, frameAt(kFirst), kHeight);
            // The first step is placed a spacing too far, the next a spacing short; the
            // rest where the page is.
            int previousTop = kFirst, previousPlace = kFirst;
            for (int top = kFirst + kStep; top <= end - rest; top += kStep) {
                const int place = top == kFirst + kStep ? top + kPeriod : top;
                recording.travel.noteKept(frameAt(previousTop), frameAt(top), place - previousPlace, kPeriod);
                previousTop = top;
                previousPlace = place;
            }
            recording.last = frameAt(previousTop);
            const int lastTop = previousTop;
            const QImage final = frameAt(lastTop + rest);
            const auto scale = recording.travel.scale();
            ASSERT_TRUE(scale.has_value()) << "a frame a spacing off is no stray thumb";
            const FrameJudgement placed = placedByThumb(lastTick(recording.last, final), scale, recording.last, final);
            EXPECT_TRUE(placed.append);
            EXPECT_EQ(placed.newPx, rest);
        }
    }
}

TEST(ScrollThumbTravel, OfAMoveDownAndAMoveUpTheRowsFitAlikeBesideAnAnimationTheThumbTakesTheMoveDown)
{
    // Rows alike to the page's end, and an animation fixed in the view that changed
    // between the last kept frame and the last one: no offset has the rows agree whole,
    // and the registration leaves two open, whole rows apart.
    const QuietDiagnostics quiet;
    const QImage page = alikeToTheEnd(60, 40);
    const int end = page.height() - kHeight;
    const int rest = 100;
    Recording recording;
    keepDownTo(recording, page, end - rest, true);
    const auto scale = recording.travel.scale();
    ASSERT_TRUE(scale.has_value());
    const auto animated = [](QImage frame, int phase) {
        QPainter painter(&frame);
        for (int x = 40; x < 200; x += 10)
            painter.fillRect(x, 150, 5, 60, QColor::fromHsv((x + phase * 40) % 360, 200, 200));
        return frame;
    };
    const QImage last = animated(recording.last, 0);
    const QImage final = animated(ScrollTestPages::frame(page, end, kHeight, withScrollbar(true)), 1);
    EXPECT_FALSE(offsetByThumb(*scale, last, final, 0).has_value()) << "no offset has the rows agree whole";
    const auto tied = [](int offset, int rival) {
        FrameJudgement judgement;
        judgement.tiedPx = offset;
        judgement.tiedRivalPx = rival;
        return judgement;
    };
    const struct {
        const char* name;
        FrameJudgement engine;
        std::optional<int> placed;
    } cases[] = {
        {"a move down where the thumb went, and a move up", tied(rest, -40 + rest % 40), rest},
        {"the same, the move up named first", tied(-40 + rest % 40, rest), rest},
        {"two moves down, one where the thumb went", tied(rest, rest + 40), std::nullopt},
        {"no move at all and one where the thumb went", tied(0, rest), std::nullopt},
        {"a move down the thumb does not allow, and a move up", tied(rest + 40, -40 + rest % 40), std::nullopt},
        {"no two left open", tied(0, 0), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FrameJudgement placed = placedByThumb(c.engine, scale, last, final);
        EXPECT_EQ(placed.append, c.placed.has_value());
        if (c.placed)
            EXPECT_EQ(placed.newPx, *c.placed);
    }
}
