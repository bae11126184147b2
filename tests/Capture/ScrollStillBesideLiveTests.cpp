// Whether a view with wide columns that change by themselves stood still: the rows
// beside those columns decide, however few of the view they are.
#include "Capture/ScrollStillBesideLive.h"
#include "ScrollTestPages.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 600, kHeight = 400;

// The view with a canvas over `live`, drawn as it looks at `frame`.
QImage withCanvas(const QImage& view, const LiveColumns& live, int frame)
{
    QImage copy = view.copy();
    QPainter painter(&copy);
    for (int x = live.left; x < live.right; x += 8)
        painter.fillRect(x, 0, 4, copy.height(), QColor::fromHsv((frame * 37 + x) % 360, 200, 220));
    return copy;
}

} // namespace

TEST(ScrollStillBesideLive, TheRowsBesideWideColumnsTellAScrollFromAStand)
{
    // Beside the columns, only a strip of each row's own colour and the margin right of it.
    QImage page = ScrollTestPages::page(kWidth);
    {
        QPainter painter(&page);
        for (int y = 0; y < page.height(); y += 40)
            painter.fillRect(548, y, 24, 40, QColor::fromHsv(y / 40 * 47 % 360, 180, 200));
    }
    const QImage view = ScrollTestPages::frame(page, 300, kHeight);
    const LiveColumns wide{0, 540};
    // The same view with its last 120 rows still a plain end, and with rows loaded there.
    QImage plainEnd = view.copy();
    QPainter(&plainEnd).fillRect(0, kHeight - 120, kWidth, 120, Qt::white);

    const struct {
        const char* name;
        QImage before, after;
        LiveColumns live;
        bool still;
    } cases[] = {
        {"the canvas redrawn, the rows standing", withCanvas(view, wide, 1), withCanvas(view, wide, 2), wide, true},
        {"rows loaded in place of the plain end", withCanvas(plainEnd, wide, 1), withCanvas(view, wide, 2), wide, true},
        // Beside columns over most of the width, the rows left are a narrow strip: painted
        // over instead of cut out, their scroll would pass for a local change.
        {"the rows scrolled by 120 px", withCanvas(view, wide, 1),
         withCanvas(ScrollTestPages::frame(page, 420, kHeight), wide, 2), wide, false},
        {"the rows scrolled by one row", withCanvas(view, wide, 1),
         withCanvas(ScrollTestPages::frame(page, 301, kHeight), wide, 2), wide, false},
        {"no columns, the view scrolled", view, ScrollTestPages::frame(page, 340, kHeight), LiveColumns{}, false},
        {"no columns, the view standing", view, view.copy(), LiveColumns{}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stillBesideLiveColumns(c.before, c.after, c.live), c.still) << c.name;
}
