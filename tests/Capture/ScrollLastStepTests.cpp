// The page's last scroll, stopped short in the page's plain end: the few rows of
// content the frame still shows place it, and only where they fit at one place.
#include "Capture/CaptureLog.h"
#include "Capture/ScrollLastStep.h"
#include "Capture/ScrollStitcher.h"
#include "ScrollTestPages.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <optional>

using namespace ScrollStitcher;

namespace {

constexpr int kWidth = 480, kHeight = 187, kFooter = 30;

struct QuietDiagnostics {
    QuietDiagnostics() { setCaptureDiagnosticSink([](const QString&) {}); }
    ~QuietDiagnostics() { setCaptureDiagnosticSink({}); }
};

// 20 numbered rows of 40 px, then the page's plain end.
QImage endingPage()
{
    QImage page(kWidth, 20 * 40 + 200, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter(&page).drawImage(0, 0, ScrollTestPages::numberedRows(kWidth, 20, 40));
    return page;
}

// The view from page row `top`, with a cookie bar over its bottom.
QImage view(const QImage& page, int top)
{
    QImage image = page.copy(0, top, kWidth, kHeight);
    QPainter painter(&image);
    painter.fillRect(0, kHeight - kFooter, kWidth, kFooter, QColor(40, 44, 52));
    painter.setPen(Qt::white);
    painter.drawText(16, kHeight - kFooter / 2 + 5, QStringLiteral("This site uses cookies.  [Accept]"));
    return image;
}

} // namespace

TEST(ScrollLastStep, TheFewRowsLeftPlaceTheFrameWhereTheyFitAtOnePlace)
{
    const QImage page = endingPage();
    QImage stripes(kWidth, kHeight + 40, QImage::Format_ARGB32_Premultiplied);
    stripes.fill(Qt::white);
    for (int y = 0; y < stripes.height(); y += 10)
        QPainter(&stripes).fillRect(0, y, kWidth, 4, QColor(90, 90, 90));
    QImage loaded = view(page, 800 - 40 + 32);
    QPainter(&loaded).fillRect(12, 2, 60, 4, QColor(200, 60, 60));
    const struct {
        const char* name;
        QImage previous, next;
        std::optional<int> offset;
    } cases[] = {
        {"a row and a half of the last row left", view(page, 800 - 70), view(page, 800 - 70 + 45), 45},
        {"8 rows of the last row's strip left", view(page, 800 - 40), view(page, 800 - 40 + 32), 32},
        {"2 rows of the last row's strip left", view(page, 800 - 40), view(page, 800 - 2), 38},
        {"1 row of the last row's strip left", view(page, 800 - 40), view(page, 800 - 1), 39},
        {"nothing of the rows left", view(page, 800 - 40), view(page, 800), std::nullopt},
        {"the rows left changed since", view(page, 800 - 40), loaded, std::nullopt},
        {"rows alike all down the frame", stripes.copy(0, 0, kWidth, kHeight), stripes.copy(0, 4, kWidth, kHeight),
         std::nullopt},
        {"new rows of content brought in", view(page, 300), view(page, 340), std::nullopt},
        {"the page did not move", view(page, 800 - 40), view(page, 800 - 40), std::nullopt},
    };
    for (const auto& c : cases) {
        const QImage previous = c.previous.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage next = c.next.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(lastStepOffset(framePixels(previous), framePixels(next)), c.offset) << c.name;
    }
}

TEST(ScrollLastStep, TheFrameThePageStoppedOnIsKeptRowForRow)
{
    QuietDiagnostics quiet;
    const QImage page = endingPage();
    for (const int left : {6, 12, 30}) {
        SCOPED_TRACE(left);
        // The previous frame shows the last row whole; the page then stops with `left`
        // of its rows in view.
        const int top = 800 - 40, scrolled = 40 - left;
        const QImage previous = view(page, top), next = view(page, top + scrolled);
        const FrameJudgement j = judgeFrame(previous, next, {0, true, 0, true, 0}, 0, JudgeMode::pageEnd);
        ASSERT_TRUE(j.append);
        EXPECT_EQ(j.newPx, scrolled);
        ScrollKeptFrames kept;
        kept.append(previous, 0);
        kept.append(next, j.cropTop(kHeight), j.footerPx);
        const auto stitched = compose(kept.takeSlices(), 100000);
        ASSERT_TRUE(stitched);
        // The page from the previous frame's top, every row once, the cookie bar once at the bottom.
        QImage expected = page.copy(0, top, kWidth, kHeight + scrolled).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter(&expected).drawImage(0, kHeight + scrolled - kFooter, next, 0, kHeight - kFooter, kWidth, kFooter);
        EXPECT_EQ(stitched->image, expected);
    }
}

TEST(ScrollLastStep, AScrollbarNotYetFoundDoesNotKeepTheLastStepFromItsPlace)
{
    QuietDiagnostics quiet;
    const QImage page = endingPage();
    constexpr int track = 12, thumb = 40;
    // The view from page row `top` with a scrollbar at its right whose thumb stands at
    // `thumbTop`; no footer.
    const auto barred = [&page](int top, int thumbTop) {
        QImage image = page.copy(0, top, kWidth, kHeight);
        QPainter painter(&image);
        painter.fillRect(kWidth - track, 0, track, kHeight, QColor(236, 236, 236));
        painter.fillRect(kWidth - track + 2, thumbTop, track - 4, thumb, QColor(150, 150, 150));
        return image;
    };
    for (const int left : {6, 12, 30}) {
        SCOPED_TRACE(left);
        const int top = 800 - 40, scrolled = 40 - left;
        // The thumb moves a pixel with the page's last, short step.
        const QImage previous = barred(top, 120), next = barred(top + scrolled, 121);
        const FrameJudgement j = judgeFrame(previous, next, {0, true, 0, true, 0}, 0, JudgeMode::pageEnd);
        ASSERT_TRUE(j.append);
        EXPECT_EQ(j.newPx, scrolled);
    }
}

namespace {

// The view from page row `top` with a box of stripes fixed in the view, their colours
// those of the animation's `phase`.
QImage viewWithAnimation(const QImage& page, int top, int phase)
{
    QImage image = view(page, top);
    QPainter painter(&image);
    for (int x = 0; x < 60; x += 12)
        painter.fillRect(180 + x, 40, 6, 16, (x / 12 + phase) % 2 ? QColor(110, 160, 40) : QColor(140, 90, 230));
    return image;
}

std::optional<int> besideChanges(const QImage& previous, const QImage& next, int maxStep)
{
    return lastStepBesideLocalChanges(framePixels(previous), framePixels(next), maxStep);
}

} // namespace

TEST(ScrollLastStep, ALastScrollUnderAnAnimationFixedInTheViewIsPlacedByTheRowsAroundIt)
{
    const QImage page = endingPage();
    // The last scroll, 37 rows, while the stripes changed colour: the rows fit there but
    // for the stripes' box, at both the places it covers.
    EXPECT_EQ(besideChanges(viewWithAnimation(page, 700, 0), viewWithAnimation(page, 737, 1), 60), 37);
    // The same scroll, further than the step allows: not the page's last scroll.
    EXPECT_EQ(besideChanges(viewWithAnimation(page, 700, 0), viewWithAnimation(page, 737, 1), 30), std::nullopt);
    // A page that stood still while only the stripes changed did not scroll.
    EXPECT_EQ(besideChanges(viewWithAnimation(page, 700, 0), viewWithAnimation(page, 700, 1), 60), std::nullopt);
    // Rows alike a row apart: a scroll of 37 and one of 37 + 40 fit the same.
    QImage alike(kWidth, 1000, QImage::Format_ARGB32_Premultiplied);
    alike.fill(Qt::white);
    for (int y = 0; y < alike.height(); y += 40)
        QPainter(&alike).fillRect(20, y + 10, 200, 12, QColor(60, 60, 60));
    EXPECT_EQ(besideChanges(viewWithAnimation(alike, 100, 0), viewWithAnimation(alike, 137, 1), 90), std::nullopt);
    // Only plain rows in common: they fit anywhere.
    QImage plain(kWidth, 1000, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::white);
    EXPECT_EQ(besideChanges(viewWithAnimation(plain, 100, 0), viewWithAnimation(plain, 137, 1), 60), std::nullopt);
}
