// Rows a feed loads where the page ended: found in a frame of the page standing still,
// and where the next frame joins one that showed the page's blank end.
#include "Capture/ScrollLoadedRows.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 320, kHeight = 300, kScrollbar = 12;
constexpr int kLineGap = 8; // blank rows between two lines of text, at most
const QColor kBackground(252, 252, 250);
const QRect kPicture(120, 30, 120, 60);

// Numbered lines of text from page row 0, `rows` rows of them, then the background.
QImage pageRows(int rows, int height)
{
    QImage page(kWidth, height, QImage::Format_RGB32);
    page.fill(kBackground);
    QPainter painter(&page);
    painter.setPen(QColor(30, 30, 30));
    for (int y = 0; y + 20 <= rows; y += 20) {
        painter.drawText(8, y + 15, QStringLiteral("Entry %1 of the feed, with a few words").arg(y / 20));
        painter.fillRect(260, y + 4, 40, 12, QColor::fromHsv(y * 7 % 360, 160, 200));
    }
    return page;
}

// The view of `page` from `top`, its lowest `band` rows showing the page's end instead
// (with a "Loading more…" line when `prompt`), a scrollbar thumb at `thumb`, and a
// fixed footer of `footer` rows.
QImage view(const QImage& page, int top, int band, bool prompt, int thumb, int footer = 0)
{
    QImage frame = page.copy(0, top, kWidth, kHeight);
    QPainter painter(&frame);
    if (band > 0) {
        painter.fillRect(0, kHeight - footer - band, kWidth, band, kBackground);
        if (prompt) {
            painter.setPen(QColor(120, 120, 120));
            painter.drawText(QRect(0, kHeight - footer - band, kWidth - kScrollbar, 40), Qt::AlignCenter,
                             QStringLiteral("Loading more…"));
        }
    }
    if (footer > 0) {
        // A footer holds a line of its own, as a page's does.
        painter.fillRect(0, kHeight - footer, kWidth, footer, QColor(40, 44, 52));
        painter.setPen(QColor(220, 220, 220));
        painter.drawText(QRect(0, kHeight - footer, kWidth - kScrollbar, footer), Qt::AlignCenter,
                         QStringLiteral("About · Help · Terms · Privacy · Contact"));
    }
    painter.fillRect(kWidth - kScrollbar, 0, kScrollbar, kHeight, QColor(238, 238, 238));
    painter.fillRect(kWidth - kScrollbar + 2, thumb, kScrollbar - 4, 40, QColor(150, 150, 155));
    return frame;
}

// `frame` with a picture in `rect`, on a card's margin: a plain grey placeholder until
// it has loaded.
QImage withPicture(QImage frame, const QRect& rect, bool loaded)
{
    QPainter painter(&frame);
    painter.fillRect(rect.adjusted(-4, -4, 4, 4), Qt::white);
    if (!loaded) {
        painter.fillRect(rect, QColor(200, 200, 204));
        return frame;
    }
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            frame.setPixel(x, y, qRgb((x * 13 + y * 7) & 255, (x * 5 + y * 11) & 255, (x * y) & 255));
    return frame;
}

TEST(ScrollLoadedRows, FindsRowsLoadedInPlaceOfThePagesEndAndNothingElse)
{
    const QImage page = pageRows(2000, 2000);
    struct Case {
        const char* what;
        QImage previous, next;
        int scrollbarPx;
        int top;
    };
    const Case cases[] = {
        {"a blank end filled", view(page, 100, 60, false, 200), view(page, 100, 0, false, 150), kScrollbar, kHeight - 60},
        {"a loading prompt filled", view(page, 100, 70, true, 200), view(page, 100, 0, false, 150), kScrollbar, kHeight - 70},
        {"filled above a footer", view(page, 100, 60, true, 200, 30), view(page, 100, 0, false, 150, 30), kScrollbar,
         kHeight - 90},
        {"a thumb not found yet left out", view(page, 100, 60, false, 200), view(page, 100, 0, false, 150), 0,
         kHeight - 60},
        {"a thumb not found yet, above a footer", view(page, 100, 60, true, 200, 30),
         view(page, 100, 0, false, 150, 30), 0, kHeight - 90},
        {"the page moved, no scrollbar found", view(page, 100, 60, false, 200), view(page, 140, 0, false, 200), 0, -1},
        {"the page moved", view(page, 100, 60, false, 200), view(page, 140, 0, false, 200), kScrollbar, -1},
        {"nothing changed", view(page, 100, 60, false, 200), view(page, 100, 60, false, 200), kScrollbar, -1},
        {"rows, not a plain end, changed", view(page, 100, 0, false, 200),
         view(pageRows(2000, 2000).transformed(QTransform().scale(-1, 1)), 100, 0, false, 200), kScrollbar, -1},
        {"most of the view changed", view(page, 100, 250, false, 200), view(page, 100, 0, false, 200), kScrollbar, -1},
        {"a loading prompt and the end below it under all but the top fifth", view(page, 100, 230, true, 200),
         view(page, 100, 0, false, 150), kScrollbar, kHeight - 230},
        {"a picture loaded above the filled end", withPicture(view(page, 100, 60, false, 200), kPicture, false),
         withPicture(view(page, 100, 0, false, 150), kPicture, true), kScrollbar, kHeight - 60},
        {"a picture above the end that was no placeholder changed", withPicture(view(page, 100, 60, false, 200), kPicture, true),
         withPicture(view(page, 140, 0, false, 150), kPicture, true), kScrollbar, -1},
    };
    // Blank rows just above the band, alike in both frames, may join it.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int top = ScrollLoadedRows::loadedBandTop(c.previous, c.next, c.scrollbarPx);
        if (c.top < 0) {
            EXPECT_EQ(top, -1);
        } else {
            EXPECT_LE(top, c.top);
            EXPECT_GE(top, c.top - kLineGap);
        }
    }
}

TEST(ScrollLoadedRows, FindsRowsLoadedWhereAPageThatGotShorterMovedTheViewUp)
{
    // The frame before ends in a plain band; the rows that came were fewer, and the view
    // at the page's end moved up with it: the next frame shows the page `up` rows higher.
    const QImage page = pageRows(2000, 2000);
    struct Case {
        const char* what;
        QImage previous, next;
        int up;
        int from; // -1: none
        int footer = 0;
    };
    const Case cases[] = {
        {"a blank end filled", view(page, 100, 60, false, 200), view(page, 86, 0, false, 210), 14, kHeight - 60 + 14},
        {"a loading prompt filled", view(page, 100, 60, true, 200), view(page, 71, 0, false, 210), 29, kHeight - 60 + 29},
        {"the rows had come, the view showed past the end", view(page, 100, 14, false, 200),
         view(page, 86, 0, false, 210), 14, kHeight},
        {"a picture loaded above the filled end", withPicture(view(page, 100, 60, false, 200), kPicture, false),
         withPicture(view(page, 86, 0, false, 210), kPicture.translated(0, 14), true), 14, kHeight - 60 + 14},
        {"rows, not a plain end, would go", view(page, 100, 0, false, 200), view(page, 86, 0, false, 210), 14, -1},
        {"the page did not move", view(page, 100, 60, false, 200), view(page, 100, 0, false, 210), 14, -1},
        {"the page moved up further", view(page, 100, 60, false, 200), view(page, 70, 0, false, 210), 14, -1},
        // A footer stays put while the rows above it move up: the rows that went are the
        // band's, above it, not the footer's own.
        {"a blank end filled above a footer", view(page, 100, 60, false, 200, 30), view(page, 86, 0, false, 210, 30), 14,
         kHeight - 30 - 60 + 14, 30},
        {"the rows had come above a footer", view(page, 100, 14, false, 200, 30), view(page, 86, 0, false, 210, 30), 14,
         kHeight - 30, 30},
        {"rows, not a plain end, would go above a footer", view(page, 100, 0, false, 200, 30),
         view(page, 86, 0, false, 210, 30), 14, -1, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int from = ScrollLoadedRows::loadedBandTopAbove(c.previous, c.next, c.up, 0, c.footer, kScrollbar);
        if (c.from < 0) {
            EXPECT_EQ(from, -1);
        } else {
            EXPECT_LE(from, c.from);
            EXPECT_GE(from, c.from - kLineGap);
        }
    }
}

TEST(ScrollLoadedRows, CutsTheEndBandWhereTheNextFrameJoinsFurtherDown)
{
    const QImage page = pageRows(2000, 2000);
    struct Case {
        const char* what;
        int band, footer, offset, header;
        bool prompt;
        int rows;
    };
    const Case cases[] = {
        {"a blank end", 60, 0, 120, 0, false, 60},
        {"a loading prompt", 70, 0, 90, 0, true, 70},
        {"a prompt above a footer", 60, 30, 100, 0, true, 90},
        {"under a fixed header", 60, 0, 120, 40, false, 60},
        {"no end band", 0, 0, 120, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage previous = view(page, 100, c.band, c.prompt, 0, c.footer);
        const QImage next = view(page, 100 + c.offset, 0, false, 0, c.footer);
        const QImage a = previous.copy(0, 0, kWidth - kScrollbar, kHeight), b = next.copy(0, 0, kWidth - kScrollbar, kHeight);
        const int rows = ScrollLoadedRows::loadedEndRows(framePixels(a), framePixels(b), c.offset, c.header, c.footer);
        EXPECT_GE(rows, c.rows);
        EXPECT_LE(rows, c.rows > 0 ? c.rows + kLineGap : 0);
    }
}

TEST(ScrollLoadedRows, PlacesAPageThatMovedWhileRowsLoadedByTheRowsAboveItsEnd)
{
    // The last kept frame ends in a plain band; the page then moved a little, and rows
    // came in the band's place. Only the rows above the band are in both frames.
    const QImage page = pageRows(2000, 2000);
    struct Case {
        const char* what;
        int band, footer;
        bool prompt;
        int moved;
        FrameRegistration::Expected expected;
        int cut; // -1: not placed
    };
    const Case cases[] = {
        {"a blank end filled", 60, 0, false, 25, {1, kHeight}, 60},
        {"a prompt above a footer filled", 70, 30, true, 40, {1, kHeight}, 100},
        {"the last step of a tick", 80, 0, true, 23, FrameRegistration::Expected::near(57), 80},
        {"further than the scroll sent", 60, 0, false, 120, FrameRegistration::Expected::near(57), -1},
        {"the page did not move", 60, 0, false, 0, {1, kHeight}, -1},
        {"a band too low to be an end", 12, 0, false, 25, {1, kHeight}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage previous = view(page, 100, c.band, c.prompt, 200, c.footer);
        const QImage next = view(page, 100 + c.moved, 0, false, 190, c.footer);
        const auto placed = ScrollLoadedRows::placeAboveLoadedEnd(previous, next, kScrollbar, 0, c.expected);
        if (c.cut < 0) {
            EXPECT_FALSE(placed) << "placed at " << placed->offset;
            continue;
        }
        ASSERT_TRUE(placed);
        EXPECT_EQ(placed->offset, c.moved);
        EXPECT_GE(placed->cutRows, c.cut);
        EXPECT_LE(placed->cutRows, c.cut + kLineGap);
    }
}

} // namespace
