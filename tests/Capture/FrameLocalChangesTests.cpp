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
