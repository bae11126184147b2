// The stitcher's decisions at their boundaries, its detectors and composing; a whole
// recording stitched back into its page is the scrolling capture's own test.
#include "Capture/CaptureLog.h"
#include "Capture/ScrollEdgeBands.h"
#include "Capture/ScrollOffsetRules.h"
#include "Capture/ScrollStitcher.h"
#include "Capture/ScrollbarDetector.h"
#include "Capture/StickyHeaderDetector.h"
#include "ScrollTestPages.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace ScrollStitcher;

namespace {

struct QuietDiagnostics {
    QuietDiagnostics() { setCaptureDiagnosticSink([](const QString&) {}); }
    ~QuietDiagnostics() { setCaptureDiagnosticSink({}); }
};

QImage filled(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

} // namespace

TEST(ScrollStitcherRules, MinimumOffsetsStepPriorAndMaximum)
{
    const auto L = JudgeMode::first, S = JudgeMode::tick, E = JudgeMode::pageEnd;
    const auto A = OffsetVerdict::accept, N = OffsetVerdict::noNewContent, P = OffsetVerdict::offStepPrior,
               F = OffsetVerdict::tooFar;
    struct Row {
        int ty, height, step;
        JudgeMode mode;
        OffsetVerdict verdict;
    };
    const Row rows[] = {
        {7, 1599, 0, L, N}, {8, 1599, 0, L, A}, {7, 1600, 0, L, N}, {8, 1600, 0, L, A}, {14, 3000, 0, L, N},
        {15, 3000, 0, L, A}, {39, 3999, 0, S, N}, {40, 3999, 0, S, A}, {79, 8000, 0, S, N}, {80, 8000, 0, S, A},
        // A short selection scrolled a quarter of its height: half a step is enough.
        {14, 120, 30, S, N}, {15, 120, 30, S, A}, {30, 120, 30, S, A}, {9, 60, 20, S, N}, {10, 60, 20, S, A},
        {8, 48, 12, S, A}, {39, 800, 200, S, N}, {0, 600, 150, S, N}, {-50, 600, 150, L, N},
        // The frame the page stopped on adds any rows it shows.
        {1, 1200, 0, E, A}, {0, 1200, 0, E, N}, {37, 1200, 300, E, A},
        // The prior only rejects what had to be rounded up to one step.
        {79, 1000, 200, S, P}, {80, 1000, 200, S, A}, {260, 1000, 100, S, A}, {180, 1000, 0, S, A},
        {540, 600, 0, L, A}, {541, 600, 0, L, F}, {541, 600, 150, S, F},
    };
    for (const Row& row : rows)
        EXPECT_EQ(judgeOffset(row.ty, row.height, row.step, row.mode), row.verdict)
            << "ty " << row.ty << " height " << row.height << " step " << row.step;
    for (int ty = 40; ty <= 900; ++ty)
        EXPECT_EQ(judgeOffset(ty, 1000, 100, S), A) << ty;
    // Where the clicks sent since the last kept frame are known, the offset must match
    // them: rows that look alike fit a frame scrolled out of reach at a near-step offset.
    struct Sent {
        int ty, height, step, expected;
        OffsetVerdict verdict;
    };
    const Sent sent[] = {
        {80, 240, 120, 720, P}, {80, 240, 120, 120, A}, {120, 240, 120, 240, P}, {220, 240, 120, 240, F},
        {260, 1000, 100, 300, A}, {260, 1000, 100, 100, P}, {240, 1000, 100, 300, A}, {239, 1000, 100, 300, P},
        {100, 1000, 100, 900, P}, {37, 1200, 300, 900, N},
    };
    for (const Sent& row : sent)
        EXPECT_EQ(judgeOffset(row.ty, row.height, row.step, S, row.expected), row.verdict)
            << "ty " << row.ty << " after " << row.expected << " sent";
    EXPECT_EQ(judgeOffset(80, 240, 120, E, 720), A) << "the page's end takes any move";
    const int tolerances[][2] = {{20, 60}, {101, 60}, {102, 61}, {200, 120}};
    for (const auto& [step, tolerance] : tolerances)
        EXPECT_EQ(stepPriorTolerance(step), tolerance) << step;
}

TEST(ScrollStitcherRules, StickyHeaderSettlesOnTwoAgreeingSamples)
{
    struct Row {
        std::vector<int> samples;
        int stickyPx;
        bool done;
    };
    const Row rows[] = {{{9}, 0, true}, {{30}, 30, false}, {{30, 33}, 30, true}, {{33, 30}, 30, true},
                        {{30, 36}, 0, true}, {{720}, 720, false}, {{721}, 0, true}};
    for (const Row& row : rows) {
        DetectionState state;
        for (const int sample : row.samples)
            state = afterStickySample(state, sample, 1200);
        EXPECT_EQ(state.stickyPx, row.stickyPx) << row.samples.front();
        EXPECT_EQ(state.stickyDone, row.done) << row.samples.front();
        EXPECT_EQ(state.stickySamples, int(row.samples.size()));
    }
}

TEST(ScrollStitcherDetectors, ScrollbarIsANarrowChangingRunAtTheRightEdge)
{
    struct Row {
        int width, quiet, changing, expected; // quiet columns at the edge, then changing ones
    };
    const Row rows[] = {{400, 0, 2, 0}, {400, 0, 3, 7}, {400, 0, 40, 44}, {400, 0, 41, 0}, {400, 2, 5, 11},
                        {400, 10, 40, 0}, {200, 0, 30, 0}, {80, 0, 5, 0}};
    for (const Row& row : rows) {
        const QImage before = filled(row.width, 200, qRgb(240, 240, 240));
        QImage after = before.copy();
        QPainter(&after).fillRect(row.width - row.quiet - row.changing, 0, row.changing, 200, qRgb(230, 236, 240));
        EXPECT_EQ(detectScrollbarWidth(framePixels(before), framePixels(after)), row.expected)
            << row.width << " " << row.quiet << "+" << row.changing;
    }
}

TEST(ScrollStitcherDetectors, StickyHeaderIsTheRunOfIdenticalRowsAtTheTop)
{
    struct Row {
        int firstDifferingRow, differingFrom, scrollbarPx, expected; // differing columns from x on
    };
    const Row rows[] = {{0, 0, 0, 0}, {37, 0, 0, 37}, {-1, 0, 0, -1}, {10, 350, 30, -1}, {10, 350, 0, 10}};
    for (const Row& row : rows) {
        const QImage before = filled(400, 200, qRgb(250, 250, 250));
        QImage after = before.copy();
        if (row.firstDifferingRow >= 0)
            QPainter(&after).fillRect(row.differingFrom, row.firstDifferingRow, 400, 200, qRgb(20, 20, 20));
        EXPECT_EQ(detectStickyHeader(framePixels(before), framePixels(after), row.scrollbarPx), row.expected)
            << row.firstDifferingRow << " " << row.scrollbarPx;
    }
}

// Rows at the top that stay the same only because the content there looks the same at
// both places (a blank gap between lines in both frames) are no fixed header, however
// often the pair is looked at; a real header over the same content is still measured.
TEST(ScrollStitcherJudge, ABlankGapAtTheTopOfBothFramesIsNoHeader)
{
    QuietDiagnostics quiet;
    QImage page = ScrollTestPages::page(480);
    const int gap = 14, from = 600, step = 40;
    QPainter(&page).fillRect(0, from, 480, gap, Qt::white);
    QPainter(&page).fillRect(0, from + step, 480, gap, Qt::white);
    const QImage a = ScrollTestPages::frame(page, from, 300), b = ScrollTestPages::frame(page, from + step, 300);
    ASSERT_EQ(detectStickyHeader(framePixels(a), framePixels(b), 0), gap) << "the gap looks like a header";
    struct Row {
        const char* name;
        int toolbar; // rows of a fixed toolbar drawn over both frames
    };
    const Row rows[] = {{"the gap alone", 0}, {"a toolbar over the gap", 30}};
    for (const Row& row : rows) {
        QImage before = a.copy(), after = b.copy();
        for (QImage* frame : {&before, &after}) {
            QPainter painter(frame);
            if (row.toolbar > 0) {
                painter.fillRect(0, 0, 480, row.toolbar, qRgb(40, 44, 52));
                painter.fillRect(20, 8, 120, 12, qRgb(200, 200, 200));
            }
        }
        DetectionState state{0, true, 0, false, 0, 0};
        // Looked at twice, as a page that stood short of a scroll is.
        for (int look = 0; look < 2; ++look) {
            const FrameJudgement j = judgeFrame(before, after, state, 0, JudgeMode::first);
            ASSERT_TRUE(j.append) << row.name;
            EXPECT_EQ(j.newPx, step) << row.name;
            state = j.detection();
        }
        if (row.toolbar == 0)
            EXPECT_EQ(state.stickyPx, 0) << row.name;
        else
            EXPECT_TRUE(state.stickyPx >= row.toolbar && state.stickyPx < row.toolbar + gap) << state.stickyPx;
    }
}

TEST(ScrollStitcherJudge, OutcomesFromFirstFrameToRejection)
{
    QuietDiagnostics quiet;
    const QImage page = ScrollTestPages::page(480);
    const QImage a = ScrollTestPages::frame(page, 100, 300), b = ScrollTestPages::frame(page, 175, 300);
    const DetectionState fresh;
    // The first frame is kept whole; detection is left as it was.
    auto j = judgeFrame(QImage(), a, fresh, 0, JudgeMode::first);
    EXPECT_TRUE(j.append && !j.duplicate);
    EXPECT_EQ(j.newPx, 300);
    EXPECT_EQ(j.detection(), fresh);
    // Byte-identical frames are duplicates before anything else runs.
    j = judgeFrame(a, a.copy(), fresh, 75, JudgeMode::tick);
    EXPECT_TRUE(j.duplicate && !j.append);
    EXPECT_FALSE(j.scrollbarDone);
    // A scrolled frame adds its new rows; a scrollbar not found is looked for again.
    j = judgeFrame(a, b, fresh, 75, JudgeMode::tick);
    EXPECT_TRUE(j.append);
    EXPECT_EQ(j.newPx, 75);
    EXPECT_EQ(j.cropTop(300), 225);
    EXPECT_FALSE(j.scrollbarDone);
    EXPECT_TRUE(judgeFrame(a, b, {0, false, 0, false, 0, kScrollbarTries - 1}, 75, JudgeMode::tick).scrollbarDone);
    // A compared region under 50 pixels wide is a rejection, not a duplicate.
    j = judgeFrame(a, b, {440, true, 0, false, 0}, 75, JudgeMode::tick);
    EXPECT_FALSE(j.append || j.duplicate);
    // Frames differing in two hash bits go on to registration. On 64 x 64 frames each
    // hash cell is 2 x 2 pixels: a checkerboard of cells with two of them turned.
    QImage c = filled(64, 64, qRgb(0, 0, 0));
    for (int cell = 0; cell < 1024; cell += 2)
        QPainter(&c).fillRect((cell % 32 + cell / 32 % 2) * 2, cell / 32 * 2, 2, 2, Qt::white);
    QImage d = c.copy();
    QPainter(&d).fillRect(2, 0, 2, 2, Qt::white);
    QPainter(&d).fillRect(0, 2, 2, 2, Qt::white);
    EXPECT_EQ(frameDistance(c, d), 2);
    EXPECT_EQ(frameDistance(c, QImage()), std::numeric_limits<qint64>::max());
    EXPECT_EQ(judgeFrame(c, d, fresh, 16, JudgeMode::tick).scrollbarTries, 1);
    // A header measurement that finds no differing row leaves detection open: the
    // frames differ only in their leftmost tenth.
    QImage strip = page.copy(0, 0, 40, page.height()), e = filled(480, 300, qRgb(252, 252, 250)), f = e.copy();
    QPainter(&e).drawImage(0, 0, strip.copy(0, 400, 40, 300));
    QPainter(&f).drawImage(0, 0, strip.copy(0, 460, 40, 300));
    j = judgeFrame(e, f, {0, true, 0, false, 0}, 0, JudgeMode::first);
    EXPECT_EQ(j.newPx, 60);
    EXPECT_FALSE(j.stickyDone);
    EXPECT_EQ(j.stickySamples, 0);
}

TEST(ScrollStitcherJudge, AFooterIsWhatStaysPutNotRowsThatLookTheSameWhereTheScrollTookThem)
{
    QuietDiagnostics quiet;
    // Rows alike but for a narrow column, 20 px each, scrolled 120 px (six of them): the
    // frames' bottom 11 rows show other rows that look exactly the same.
    const QImage page = ScrollTestPages::indexedRows(480, 100);
    constexpr int kTop = 544, kHeight = 240, kScroll = 120;
    const struct {
        const char* name;
        int footer; // rows of a fixed bar over the view's bottom
    } cases[] = {{"no footer", 0}, {"a fixed footer over rows that look alike", 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScrollTestPages::Decor decor{.footer = c.footer};
        const QImage previous = ScrollTestPages::frame(page, kTop, kHeight, decor);
        const QImage next = ScrollTestPages::frame(page, kTop + kScroll, kHeight, decor);
        const FrameJudgement j = judgeFrame(previous, next, {0, true, 0, true, 0}, 0, JudgeMode::first);
        ASSERT_TRUE(j.append);
        EXPECT_EQ(j.newPx, kScroll);
        EXPECT_EQ(j.footerPx, c.footer);
        ScrollKeptFrames kept;
        kept.append(previous, 0);
        kept.append(next, j.cropTop(kHeight), j.footerPx);
        const auto stitched = compose(kept.takeSlices(), 100000);
        ASSERT_TRUE(stitched);
        const QImage expected = ScrollTestPages::frame(page, kTop, kHeight + kScroll, decor);
        EXPECT_EQ(stitched->image, expected.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << "every row once, the footer once at the bottom";
    }
}

TEST(ScrollStitcherDetectors, EdgeBandsAreRunsAtTheEdgesThatDoNotShowTheContent)
{
    // Frames of a text page 200 rows high, the second scrolled 40 rows further.
    const QImage page = ScrollTestPages::page(400);
    struct Row {
        const char* name;
        int nextFrom, nextRows;         // rows of the new frame painted over
        int previousFrom, previousRows; // rows of the previous frame painted over
        int offset;
        EdgeBands expected;
    };
    const Row rows[] = {
        {"nothing changed but the scroll", 0, 0, 0, 0, 40, {}},
        {"a header stuck over the new frame's top", 0, 30, 0, 0, 40, {30, 0}},
        {"a prompt under the previous frame's last line", 0, 0, 184, 16, 40, {0, 16}},
        {"both at once", 0, 24, 190, 10, 40, {24, 10}},
        {"a band starting a few rows from the edge", 5, 20, 178, 14, 40, {25, 22}},
        {"a change in the middle is no band", 90, 12, 60, 10, 40, {}},
        {"over a quarter of the height is no band", 0, 51, 148, 52, 40, {}},
        {"no offset, no band", 0, 30, 0, 0, 0, {}},
    };
    for (const Row& row : rows) {
        QImage previous = page.copy(0, 100, 400, 200), next = page.copy(0, 140, 400, 200);
        QPainter(&next).fillRect(0, row.nextFrom, 400, row.nextRows, QColor(40, 70, 110));
        QPainter(&previous).fillRect(0, row.previousFrom, 400, row.previousRows, QColor(20, 20, 20));
        EXPECT_EQ(edgeBands(framePixels(previous), framePixels(next), row.offset), row.expected) << row.name;
    }
}

TEST(ScrollStitcherJudge, BandsThatChangeAtTheEdgesStayOutOfTheJoins)
{
    QuietDiagnostics quiet;
    // Each pair judged as the first tick of a recording, then stitched: the page row for
    // row, a band that changed never between its lines, the last band once at the bottom.
    int headerAt = 0;
    const QImage text = ScrollTestPages::page(480), table = ScrollTestPages::table(480, 60, &headerAt);
    const ScrollTestPages::Decor prompt{.footer = 16, .prompt = true}, sticky{.stickyFrom = headerAt};
    const int textEnd = text.height() - (300 - 16);
    const struct {
        const char* name;
        const QImage& page;
        ScrollTestPages::Decor decor;
        int previousTop, nextTop;
        int stickyPx; // the fixed header the judgement leaves for the next frames
    } cases[] = {
        {"the pager's first prompt, then \":\"", text, prompt, 0, 75, 0},
        {"\":\", then \"(END)\"", text, prompt, textEnd - 75, textEnd, 0},
        {"a table header sticking as the first scroll passes it", table, sticky, 0, 75, ScrollTestPages::kTableHeaderRows},
        {"the header already stuck", table, sticky, 75, 150, ScrollTestPages::kTableHeaderRows},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage previous = ScrollTestPages::frame(c.page, c.previousTop, 300, c.decor);
        const QImage next = ScrollTestPages::frame(c.page, c.nextTop, 300, c.decor);
        const FrameJudgement j = judgeFrame(previous, next, {0, true, 0, false, 0}, 0, JudgeMode::first);
        ASSERT_TRUE(j.append);
        EXPECT_EQ(j.newPx, c.nextTop - c.previousTop);
        EXPECT_EQ(j.stickyPx, c.stickyPx);
        ScrollKeptFrames kept;
        kept.append(previous, 0);
        kept.append(next, j.cropTop(300), j.footerPx);
        const auto stitched = compose(kept.takeSlices(), 100000);
        ASSERT_TRUE(stitched);
        const int content = 300 - c.decor.footer + c.nextTop - c.previousTop;
        ASSERT_EQ(stitched->totalHeight, content + c.decor.footer);
        QImage expected = ScrollTestPages::frame(c.page, c.previousTop, content + c.decor.footer, {.stickyFrom = c.decor.stickyFrom});
        QPainter(&expected).drawImage(0, content, next.copy(0, 300 - c.decor.footer, 480, c.decor.footer));
        EXPECT_EQ(stitched->image, expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
}

TEST(ScrollStitcherCompose, LimitsKeepTheImageContinuous)
{
    QuietDiagnostics quiet;
    // Frame i shows rows of grey level 10 * i + row / 10: any slice can be told apart.
    const auto frame = [](int i, int height, int width = 40) {
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), width, qRgb(0, 10 * i + y / 10, 0));
        return image;
    };
    const auto slices = [&](std::vector<int> heights, int offset) {
        std::vector<KeptSlice> kept;
        for (std::size_t i = 0; i < heights.size(); ++i)
            kept.push_back({frame(int(i), heights[i]).copy(0, i ? offset : 0, 40, heights[i] - (i ? offset : 0)),
                            i ? offset : 0});
        return kept;
    };
    EXPECT_FALSE(compose({}, 100).has_value());
    // Below the first frame's height: exactly the first frame.
    auto result = compose(slices({100, 100}, 60), 50);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->image, frame(0, 100).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(result->appendedFrames, 1);
    // Past the limit the last slice keeps its upper rows: 100 + 40 + 25 rows.
    result = compose(slices({100, 100, 100, 100}, 60), 165);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->totalHeight, 165);
    EXPECT_EQ(result->appendedFrames, 3);
    EXPECT_EQ(qGreen(result->image.pixel(5, 140)), 20 + 6);
    EXPECT_EQ(qGreen(result->image.pixel(5, 164)), 20 + 8);
    // A narrower frame is scaled to the first frame's width.
    std::vector<KeptSlice> mixed = slices({100}, 0);
    mixed.push_back({frame(1, 50, 20), 0});
    result = compose(mixed, 1000);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->image.size(), QSize(40, 150));
    EXPECT_EQ(qGreen(result->image.pixel(39, 149)), 10 + 4);
}

TEST(ScrollStitcherJudge, RowsAlikeDownTheWholeFrameScrolledByWholeRowsMakeNoFooter)
{
    QuietDiagnostics quiet;
    // Entries 52 rows apart all down a 540-row view, scrolled by five of them (260 rows,
    // a smooth scroll caught part-way on a loaded machine): every row of the view looks
    // as it did, yet none is a footer. Under a fixed bar of 40 rows, the bar alone is.
    constexpr int kWidth = 120, kHeight = 540, kPeriod = 52, kScroll = 5 * kPeriod;
    for (const int bar : {0, 40}) {
        SCOPED_TRACE(bar);
        const auto view = [&](int top) {
            QImage image(kWidth, kHeight, QImage::Format_RGB32);
            for (int y = 0; y < kHeight; ++y) {
                const bool strip = (top + y) % kPeriod < 50;
                for (int x = 0; x < kWidth; ++x)
                    image.setPixel(x, y, y >= kHeight - bar ? qRgb(30, 30, 30) : strip && x >= 20 && x < 60 ? qRgb(40, 120, 200) : qRgb(255, 255, 255));
            }
            return image;
        };
        const QImage previous = withFramePixelLayout(view(700)), next = withFramePixelLayout(view(700 + kScroll));
        EXPECT_EQ(FrameRegistration::fixedBottomRows(framePixels(previous), framePixels(next), kScroll), bar);
    }
}
