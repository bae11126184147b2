// The kept frames of a recording: where a frame joins above rows the kept image ends
// with (a footer, or a blank end that rows loaded in place of), those rows are left out
// however many of the frames before added them.
#include "Capture/ScrollKeptFrames.h"
#include "Capture/ScrollStitcher.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kWidth = 40, kHeight = 100;

// A page whose row y shows its own colour, with rows from `loaded` on blank.
QImage page(int loaded)
{
    QImage image(kWidth, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    for (int y = 0; y < std::min(loaded, image.height()); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), kWidth, qRgb(y % 256, y / 256 * 40, 90));
    return image;
}

QImage frame(const QImage& from, int top) { return from.copy(0, top, kWidth, kHeight); }

std::vector<int> drawn(const ScrollKeptFrames& kept)
{
    std::vector<int> rows;
    for (const KeptSlice& slice : kept.slices())
        rows.push_back(slice.drawnRows());
    return rows;
}

TEST(ScrollKeptFrames, RowsLeftOutBelowReachIntoTheFramesBeforeTheLast)
{
    // Two frames show the page's blank end; the third, further down, shows the rows that
    // loaded there: the blank rows are left out of the kept image, also where there are
    // more of them than the last frame added.
    const QImage after = page(400);
    struct Case {
        const char* what;
        int loaded, secondTop, thirdTop;
    };
    const Case cases[] = {
        {"within the last frame's rows", 110, 30, 50},
        {"into the frame before the last", 80, 30, 50},
        {"every row the last frame added and more", 70, 10, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage before = page(c.loaded);
        const int footer = c.secondTop + kHeight - c.loaded;
        ScrollKeptFrames kept;
        kept.append(frame(before, 0), 0);
        kept.append(frame(before, c.secondTop), kHeight - c.secondTop);
        const int stitched = kept.stitchedHeight();
        const std::vector<int> rowsBefore = drawn(kept);
        const int offset = c.thirdTop - c.secondTop;
        kept.append(frame(after, c.thirdTop), kHeight - footer - offset, footer);
        ASSERT_EQ(kept.stitchedHeight(), c.thirdTop + kHeight);
        const auto result = ScrollStitcher::compose(ScrollKeptFrames(kept).takeSlices(), 100000);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->image, after.copy(0, 0, kWidth, c.thirdTop + kHeight).convertToFormat(result->image.format()))
            << "the rows that loaded, no blank band between";
        // Taken back, the frame leaves the kept rows as they were.
        kept.dropLast();
        EXPECT_EQ(kept.stitchedHeight(), stitched);
        EXPECT_EQ(drawn(kept), rowsBefore);
    }
}

// A frame taken back may have been placed at a wrong offset: what it gave the kept rows
// in passing (pictures it showed loaded) goes back with it, and nothing it did not show
// stays changed.
TEST(ScrollKeptFrames, AFrameTakenBackLeavesTheKeptRowsAsTheyLooked)
{
    // Rows with a narrow marker of their own colour at the right, the rest white: the
    // markers are the plain parts a refresh gives a new look.
    const auto markedPage = [](int shift) {
        QImage image(kWidth, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        for (int y = 0; y < image.height(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + kWidth - 6, 6,
                        qRgb((y + shift) / 20 * 40 % 256, 60, 200));
        return image;
    };
    const QImage shown = markedPage(0);
    ScrollKeptFrames kept;
    kept.append(frame(shown, 0), 0);
    kept.append(frame(shown, 50), 50);
    const auto before = ScrollStitcher::compose(ScrollKeptFrames(kept).takeSlices(), 100000);
    ASSERT_TRUE(before);
    // Placed 40 rows further than the page went: every row it compares with the kept
    // ones shows another marker.
    const QImage misplaced = frame(markedPage(40), 90);
    kept.appendRefreshing(misplaced, 60, 0, 0);
    const auto refreshed = ScrollStitcher::compose(ScrollKeptFrames(kept).takeSlices(), 100000);
    ASSERT_TRUE(refreshed);
    ASSERT_NE(refreshed->image.copy(0, 0, kWidth, before->image.height()), before->image)
        << "the case no longer refreshes the kept rows";
    kept.dropLast();
    const auto after = ScrollStitcher::compose(ScrollKeptFrames(kept).takeSlices(), 100000);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->image, before->image);
}

} // namespace
