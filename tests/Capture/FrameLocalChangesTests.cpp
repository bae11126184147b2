// A view standing still but for what changes by itself, against a view that scrolled.
#include "Capture/FrameLocalChanges.h"
#include "ScrollTestPages.h"

#include <QPainter>

#include <gtest/gtest.h>

TEST(FrameLocalChanges, ThingsThatMoveByThemselvesAreStillAScrollIsNot)
{
    constexpr int w = 600, h = 400;
    const QImage page = ScrollTestPages::page(w);
    const QImage view = ScrollTestPages::frame(page, 300, h);
    const auto changed = [&](const std::function<void(QPainter&)>& paint) {
        QImage copy = view.copy();
        QPainter painter(&copy);
        paint(painter);
        return copy;
    };
    EXPECT_TRUE(differOnlyLocally(view, view));
    // A caret; a badge; a bar of stripes 30 rows high across the width (7.5% of the view),
    // with spinners on four rows and a caret besides.
    EXPECT_TRUE(differOnlyLocally(view, changed([](QPainter& p) { p.fillRect(200, 100, 2, 16, Qt::black); })));
    EXPECT_TRUE(differOnlyLocally(view, changed([](QPainter& p) { p.fillRect(500, 20, 40, 40, Qt::red); })));
    EXPECT_TRUE(differOnlyLocally(view, changed([](QPainter& p) {
        p.fillRect(0, 0, w, 30, QColor(59, 125, 216));
        for (const int y : {80, 160, 240, 320})
            p.fillRect(450, y, 16, 16, Qt::green);
        p.fillRect(200, 360, 2, 16, Qt::black);
    })));
    // A scroll of one row; a bar across the width 60 rows high (15%); changes in one narrow
    // column on every 20th row, all the way down (an index column of rows alike but for
    // it, scrolled by whole rows).
    EXPECT_FALSE(differOnlyLocally(view, ScrollTestPages::frame(page, 301, h)));
    EXPECT_FALSE(differOnlyLocally(view, changed([](QPainter& p) { p.fillRect(0, 0, w, 60, Qt::blue); })));
    EXPECT_FALSE(differOnlyLocally(view, changed([](QPainter& p) {
        for (int y = 0; y < h; y += 20)
            p.fillRect(4, y + 6, 40, 8, Qt::black);
    })));
}

TEST(FrameLocalChanges, ColumnsThatChangeByThemselvesAreFoundAtAnyPlaceAndHeight)
{
    constexpr int w = 600, h = 400;
    const QImage page = ScrollTestPages::page(w);
    const QImage view = ScrollTestPages::frame(page, 300, h);
    // A canvas redrawn: stripes of colours the page does not use.
    const auto redrawn = [&](const QRect& canvas) {
        QImage copy = view.copy();
        QPainter painter(&copy);
        painter.setClipRect(canvas);
        for (int x = canvas.left(); x <= canvas.right(); x += 6)
            painter.fillRect(x, canvas.top(), 3, canvas.height(), QColor(1, 2, 3));
        for (int x = canvas.left() + 3; x <= canvas.right(); x += 6)
            painter.fillRect(x, canvas.top(), 3, canvas.height(), QColor(250, 5, 250));
        return copy;
    };
    const struct {
        const char* name;
        QImage next;
        LiveColumns live;
    } cases[] = {
        {"the whole height at the right", redrawn(QRect(340, 0, 200, h)), {340, 540}},
        {"part of the height, away from the edges", redrawn(QRect(200, 120, 180, 160)), {200, 380}},
        {"a short band, wider than half the view", redrawn(QRect(60, 300, 420, 60)), {60, 480}},
        {"a badge: a local change", redrawn(QRect(500, 20, 40, 40)), {}},
        {"everything but a sliver", redrawn(QRect(0, 0, w - 30, h)), {}},
        {"a scroll of one row", ScrollTestPages::frame(page, 301, h), {}},
        {"nothing", view, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LiveColumns live = liveColumnsBetween(view, c.next);
        EXPECT_EQ(live.left, c.live.left);
        EXPECT_EQ(live.right, c.live.right);
    }

    // Cut out, what lies beside the columns is joined, pixel for pixel.
    const QImage joined = withLiveColumnsCutOut(view, {200, 380});
    ASSERT_EQ(joined.size(), QSize(w - 180, h));
    EXPECT_EQ(joined.copy(0, 0, 200, h), view.copy(0, 0, 200, h));
    EXPECT_EQ(joined.copy(200, 0, w - 380, h), view.copy(380, 0, w - 380, h));
    EXPECT_EQ(withLiveColumnsCutOut(view, {}), view);
}

TEST(FrameLocalChanges, PlaceholdersFilledInBesideColumnsThatChangeByThemselvesLeaveTheViewWhereItWas)
{
    constexpr int w = 600, h = 400;
    const QImage page = ScrollTestPages::page(w);
    QImage view = ScrollTestPages::frame(page, 300, h).convertToFormat(QImage::Format_RGB32);
    // Two grey placeholders: one in the open, one that the live columns cut across,
    // leaving a strip of 20 px right of them.
    // And one the columns cut across leaving a sliver of 4 px left of them, on a blank band.
    const QRect open(20, 40, 160, 80), cut(260, 200, 220, 80), sliver(236, 330, 120, 30);
    const LiveColumns live{240, 460};
    QPainter(&view).fillRect(open, QColor(204, 204, 204));
    QPainter(&view).fillRect(cut, QColor(204, 204, 204));
    QPainter(&view).fillRect(0, 320, w, 50, Qt::white);
    QPainter(&view).fillRect(sliver, QColor(204, 204, 204));
    const auto with = [&](const std::function<void(QPainter&)>& paint) {
        QImage copy = view.copy();
        QPainter painter(&copy);
        paint(painter);
        return copy;
    };
    // A picture: a gentle gradient, nearly flat across a narrow strip.
    const auto picture = [](QPainter& p, const QRect& r) {
        QLinearGradient gradient(r.topLeft(), r.topRight());
        gradient.setColorAt(0, QColor(200, 120, 80));
        gradient.setColorAt(1, QColor(90, 160, 220));
        p.fillRect(r, gradient);
    };
    // setOff: a run of one colour must be set off from something beside it other than
    // the columns and the edge (a picture's, not a plain band's that rows filled).
    const struct {
        const char* name;
        QImage after;
        bool filled;
        bool filledSetOff;
    } cases[] = {
        {"nothing changed", view, true, true},
        {"both pictures loaded", with([&](QPainter& p) { picture(p, open); picture(p, cut); }), true, true},
        {"the columns redrawn as well", with([&](QPainter& p) { picture(p, cut); p.fillRect(300, 0, 100, h, Qt::red); }), true, true},
        {"the sliver's picture loaded", with([&](QPainter& p) { picture(p, sliver); }), true, true},
        {"rows came in the blank band", with([&](QPainter& p) { p.fillRect(12, 362, 200, 6, Qt::black); }), true, false},
        {"text beside changed", with([&](QPainter& p) { p.fillRect(12, 300, 60, 12, Qt::black); }), false, false},
        {"scrolled by one row", ScrollTestPages::frame(page, 301, h).convertToFormat(QImage::Format_RGB32), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(placeholdersFilledBeside(view, c.after, live), c.filled);
        EXPECT_EQ(placeholdersFilledBeside(view, c.after, live, true), c.filledSetOff);
    }
}
