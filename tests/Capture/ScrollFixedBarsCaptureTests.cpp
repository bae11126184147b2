// Numbered rows under a page's own header and over its own footer, both fixed in the
// view and changing height as the page scrolls, captured through the real recording
// loop: the selection is too low only where one wheel click moves more than half of it.
#include "ScrollCaptureFixture.h"

namespace {

class FixedBarsCaptureTest : public ScrollCaptureTest {
public:
    void SetUp() override
    {
        ScrollCaptureTest::SetUp();
        app.decor = {.scrollbar = 12, .pageHeader = true};
    }

    // Rows of 40 px below `headerFrom` white rows (what the header covers at first), and
    // `bottom` white rows below them.
    static QImage rowsPage(int rows, int headerFrom, int bottom)
    {
        QImage page(kWidth, headerFrom + rows * 40 + bottom, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter(&page).drawImage(0, headerFrom, ScrollTestPages::numberedRows(kWidth, rows, 40));
        return page;
    }
};

} // namespace

TEST_F(FixedBarsCaptureTest, AClickOfLessThanHalfTheSelectionIsNeverTooLow)
{
    // Each a click of at most half the selection, with the header and footer over more
    // of it than the click leaves: it reaches the page's end without a message.
    const struct {
        const char* name;
        int view, click;
        int headerFrom, headerTo, footerFrom, footerTo;
    } cases[] = {
        {"a tall header and footer over a low view", 420, 120, 140, 140, 60, 60},
        {"a header that shrinks over a footer that grows", 480, 100, 130, 100, 60, 90},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        app.page = rowsPage(120, c.headerFrom, c.footerTo + 40);
        app.viewHeight = c.view;
        app.pixelsPerClick = c.click;
        app.shrinkingHeader = {c.headerFrom, c.headerTo};
        app.growingFooter = {c.footerFrom, c.footerTo};
        app.top = 0;
        app.selectionTop = 0;
        select();
        ASSERT_TRUE(runToIdle());
        EXPECT_TRUE(alerts.alerts.empty()) << "no message";
        EXPECT_EQ(app.top, app.maxTop()) << "to the page's end";
        EXPECT_GE(clipboard().height(), app.page.height() - c.headerFrom) << "every row";
    }
}
