// A low selection inside a picture still grey: the frames share nothing but one plain
// row, which the clicks just sent place, or a single edge with plain rows coming in;
// blank rows, rows that contradict the clicks, or shared rows that could pin the offset
// themselves are left to the registration.
#include "Capture/ScrollPlainOverlap.h"

#include "ScrollTestPages.h"

#include <QPainter>

#include <gtest/gtest.h>

using ScrollStitcher::sharesOnlyPlainRows;

namespace {

constexpr int kWidth = 480, kPitch = 300, kPage = 6 * kPitch;

QImage cards(int loadedFrom = kPage)
{
    return ScrollTestPages::cardColumn(kWidth, kPage, kPitch, 240, loadedFrom);
}

bool plain(const QImage& previous, const QImage& next, int asked, int sticky = 0, int footer = 0)
{
    return sharesOnlyPlainRows(framePixels(previous), framePixels(next), asked, sticky, footer);
}

} // namespace

TEST(ScrollPlainOverlap, FramesSharingOnlyPlainRowsArePlacedByTheClicksAndOthersAreNot)
{
    const QImage grey = cards();
    const QImage blank = [] {
        QImage page(kWidth, kPage, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        return page;
    }();
    const struct {
        const char* what;
        const QImage& page;
        int top;    // of the previous frame on the page
        int height; // of the frames
        int moved;  // by the page
        int asked;  // by the clicks
        bool placed;
    } cases[] = {
        {"inside one picture", grey, 330, 80, 40, 40, true},
        {"inside one picture, a caption coming in", grey, 440, 100, 50, 50, true},
        {"the picture's top edge alone in common, grey coming in", grey, 280, 80, 30, 30, true},
        {"the same, but the clicks asked for more than the edge allows", grey, 280, 80, 30, 33, false},
        {"a blank page, which its plain end looks like", blank, 300, 80, 40, 40, false},
        {"a caption in common and a card's top coming in: the registration's to place", grey, 480, 120, 60, 60, false},
        {"so far that too little is left in common", grey, 320, 80, 76, 76, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage previous = c.page.copy(0, c.top, kWidth, c.height);
        const QImage next = c.page.copy(0, c.top + c.moved, kWidth, c.height);
        EXPECT_EQ(plain(previous, next, c.asked), c.placed);
    }
}

TEST(ScrollPlainOverlap, PicturesThatLoadedMeanwhileAndFixedBarsDoNotStandAgainstTheClicks)
{
    // The picture turned to colour between the frames: its gentle shading fits the grey.
    EXPECT_TRUE(plain(cards().copy(0, 330, kWidth, 80), cards(0).copy(0, 370, kWidth, 80), 40));
    // The previous frame's picture in colour holds no row to place by either.
    EXPECT_TRUE(plain(cards(0).copy(0, 330, kWidth, 80), cards(0).copy(0, 370, kWidth, 80), 40));
    // A bar fixed over the frames' top and bottom is left out.
    const auto withBars = [](QImage frame) {
        QPainter painter(&frame);
        painter.fillRect(0, 0, kWidth, 20, QColor(40, 44, 52));
        painter.fillRect(0, frame.height() - 30, kWidth, 30, QColor(40, 44, 52));
        painter.setPen(Qt::white);
        painter.drawText(16, frame.height() - 10, QStringLiteral("This site uses cookies."));
        return frame;
    };
    const QImage previous = withBars(cards().copy(0, 320, kWidth, 130)), next = withBars(cards().copy(0, 360, kWidth, 130));
    EXPECT_TRUE(plain(previous, next, 40, 20, 30));
    EXPECT_FALSE(plain(previous, next, 40));
    // A page that did not move where the rows it shows are not plain.
    EXPECT_FALSE(plain(cards().copy(0, 500, kWidth, 120), cards().copy(0, 500, kWidth, 120), 40));
}
