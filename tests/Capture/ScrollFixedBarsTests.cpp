// A page's own header and footer, fixed over the view, that grow or shrink while the
// page scrolls: each a bar of one colour with a line of text. Between two frames the
// bar's plain rows match each other wherever it covers both, so the rows that differ
// start and end away from the edge; and a frame placed beside them keeps the previous
// frame's footer out of the image, whatever height the new one has.
#include "Capture/CaptureLog.h"
#include "Capture/ScrollEdgeBands.h"
#include "Capture/ScrollStitcher.h"
#include "ScrollTestPages.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace ScrollStitcher;

namespace {

constexpr int kWidth = 480, kHeight = 300;

struct QuietDiagnostics {
    QuietDiagnostics() { setCaptureDiagnosticSink([](const QString&) {}); }
    ~QuietDiagnostics() { setCaptureDiagnosticSink({}); }
};

void paintBars(QImage& image, int header, int footer)
{
    QPainter painter(&image);
    painter.setPen(Qt::white);
    if (header > 0) {
        painter.fillRect(0, 0, image.width(), header, QColor(52, 64, 88));
        painter.fillRect(0, header - 2, image.width(), 2, QColor(30, 36, 50));
        painter.drawText(16, header - 12, QStringLiteral("Page title"));
    }
    if (footer > 0) {
        const int h = image.height();
        painter.fillRect(0, h - footer, image.width(), footer, QColor(40, 44, 52));
        painter.drawText(16, h - footer / 2 + 5, QStringLiteral("This site uses cookies.  [Accept]"));
    }
}

// The view `height` rows high scrolled to page row `top`, under its bars.
QImage view(const QImage& page, int top, int height, int header, int footer)
{
    QImage image = page.copy(0, top, kWidth, height).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    paintBars(image, header, footer);
    return image;
}

struct Pair {
    const char* name;
    int headerBefore, headerAfter;
    int footerBefore, footerAfter;
    int offset;
};

const Pair kPairs[] = {
    {"a header that shrinks by less than the scroll", 73, 67, 0, 0, 40},
    {"a header over a third of the frame that shrinks", 120, 100, 0, 0, 40},
    {"a header that grows", 60, 70, 0, 0, 57},
    {"a footer that grows", 0, 0, 72, 74, 57},
    {"a footer that shrinks", 0, 0, 82, 77, 40},
    {"a footer near half the frame that grows", 0, 0, 130, 140, 53},
    {"a header that shrinks over a footer that shrinks", 73, 67, 82, 77, 40},
    {"a header that grows over a footer that grows", 48, 56, 30, 38, 53},
    {"a header that grows to a third of the frame over a footer", 62, 104, 50, 52, 65},
    {"a header over a third of the frame that shrinks over a footer that grows", 110, 96, 40, 60, 45},
};

} // namespace

TEST(ScrollFixedBars, BandsTakeInTheWholeBarAtEitherEdge)
{
    const QImage page = ScrollTestPages::page(kWidth);
    for (const Pair& p : kPairs) {
        SCOPED_TRACE(p.name);
        const QImage previous = view(page, 100, kHeight, p.headerBefore, p.footerBefore);
        const QImage next = view(page, 100 + p.offset, kHeight, p.headerAfter, p.footerAfter);
        // The new frame's header at the top; the previous frame's footer at the bottom.
        EXPECT_EQ(barBands(framePixels(previous), framePixels(next), p.offset), (EdgeBands{p.headerAfter, p.footerBefore}));
    }
    const QImage still = view(page, 100, kHeight, 0, 0), scrolled = view(page, 140, kHeight, 0, 0);
    EXPECT_EQ(barBands(framePixels(still), framePixels(scrolled), 40), EdgeBands{}) << "no bars";
}

TEST(ScrollFixedBars, AFrameBetweenBarsThatChangedHeightJoinsRowForRow)
{
    QuietDiagnostics quiet;
    const QImage page = ScrollTestPages::page(kWidth);
    for (const Pair& p : kPairs) {
        SCOPED_TRACE(p.name);
        const QImage previous = view(page, 0, kHeight, p.headerBefore, p.footerBefore);
        const QImage next = view(page, p.offset, kHeight, p.headerAfter, p.footerAfter);
        // The first tick: no step known yet.
        const FrameJudgement j = judgeFrame(previous, next, {0, true, 0, false, 0}, 0, JudgeMode::first);
        ASSERT_TRUE(j.append);
        EXPECT_EQ(j.newPx, p.offset);
        ScrollKeptFrames kept;
        kept.append(previous, 0);
        kept.append(next, j.cropTop(kHeight), j.footerPx);
        const auto stitched = compose(kept.takeSlices(), 100000);
        ASSERT_TRUE(stitched);
        // The first view's header, every row once, the last footer once at the bottom.
        const QImage expected = view(page, 0, kHeight + p.offset, p.headerBefore, p.footerAfter);
        EXPECT_EQ(stitched->image, expected);
    }
}

// A header that shrinks a row as the page scrolls, over cards whose pictures were grey in
// one frame and loaded in colour by the next: no row below the header matches whole at
// the offset the page moved by, so the rows that changed run on from the header's band
// and no band ends. Rows that differ only where pictures loaded end none; beside the
// header's band, the captions and borders place the frame.
TEST(ScrollFixedBars, AHeaderThatShrankAboveCardsWhosePicturesLoadedLeavesTheCardsToPlaceTheFrame)
{
    QuietDiagnostics quiet;
    std::vector<QRect> pictures;
    const QImage loaded = ScrollTestPages::cardGrid(kWidth, 8, 3, 125, &pictures);
    QImage grey = loaded.copy();
    {
        QPainter painter(&grey);
        for (const QRect& picture : pictures)
            painter.fillRect(picture, QColor(204, 204, 204));
    }
    for (const int offset : {40, 57}) {
        SCOPED_TRACE(offset);
        QImage previous = grey.copy(0, 100, kWidth, kHeight).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage next = loaded.copy(0, 100 + offset, kWidth, kHeight).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        paintBars(previous, 90, 0);
        paintBars(next, 89, 0);
        const FrameJudgement j = judgeFrame(previous, next, {0, true, 0, false, 0}, 0, JudgeMode::first);
        ASSERT_TRUE(j.append);
        EXPECT_EQ(j.newPx, offset);
    }
}
