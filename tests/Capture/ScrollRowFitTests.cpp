// A place held row for row: every row the two frames share at that offset, above the
// rows left out at the bottom, the same pixel for pixel.
#include "Capture/ScrollRowFit.h"
#include "ScrollTestPages.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace ScrollStitcher;

TEST(ScrollRowFit, HoldsOnlyWhereEverySharedRowIsTheSame)
{
    constexpr int width = 400, height = 200, footer = 40;
    const QImage page = ScrollTestPages::numberedRows(width, 30, 36);
    const auto view = [&](int top) { return page.copy(0, top, width, height); };
    // A footer drawn over the bottom rows, taller in the second frame.
    const auto withFooter = [&](QImage image, int rows) {
        QPainter(&image).fillRect(0, height - rows, width, rows, QColor(40, 44, 52));
        return image;
    };
    QImage recoloured = view(300);
    QPainter(&recoloured).fillRect(width * 5 / 12, 60, 40, 4, QColor(250, 10, 10));
    QImage plain(width, height, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::white);
    const struct {
        const char* name;
        QImage previous, next;
        int offset, bottomRows;
        bool fits;
    } cases[] = {
        {"the offset the page moved", view(200), view(300), 100, 0, true},
        {"a row's pitch short of it", view(200), view(300), 64, 0, false},
        {"a row's marker that differs", view(200), recoloured, 100, 0, false},
        {"a footer left out below", withFooter(view(200), footer), withFooter(view(300), footer), 100, footer, true},
        {"a footer taken as rows", withFooter(view(200), footer), withFooter(view(300), footer), 100, 0, false},
        {"fewer shared rows than can tell", view(200), view(200 + height - 10), height - 10, 0, false},
        {"shared rows all plain", plain, plain, 50, 0, false},
        {"no move", view(200), view(200), 0, 0, false},
    };
    for (const auto& c : cases) {
        const QImage previous = c.previous.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage next = c.next.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(fitsRowForRow(framePixels(previous), framePixels(next), c.offset, c.bottomRows), c.fits) << c.name;
    }
}
