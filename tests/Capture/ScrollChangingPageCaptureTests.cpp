// Pages that change while they scroll, captured through the real recording loop at the
// view's whole height and at its lower 60%, as a browser 900 px high shows them with a
// wheel click of 120 px: a grid of cards whose pictures load late, cards in one column
// repeating at a fixed pitch, numbered rows under a header that shrinks, and numbered
// rows beside a canvas redrawn at every frame. Every row must come out once, in order,
// to the page's end, without a word of stopping early.
#include "ScrollCaptureFixture.h"

namespace {

class ChangingPageCaptureTest : public ScrollCaptureTest {
public:
    static constexpr int kView = 900, kClick = 120;

    void SetUp() override
    {
        ScrollCaptureTest::SetUp();
        app.decor = {.scrollbar = 12, .pageHeader = true};
        app.viewHeight = kView;
        app.pixelsPerClick = kClick;
    }

    // The whole view, or its lower 60%.
    static int selectionTop(bool whole) { return whole ? 0 : kView * 4 / 10; }

    // Runs a capture of a selection from `top` down to the view's bottom; the capture's
    // time on the clock.
    qint64 captureFrom(int top)
    {
        startOver();
        app.selectionTop = top;
        select();
        const QDateTime start = clock.now();
        EXPECT_TRUE(runToIdle());
        return start.msecsTo(clock.now());
    }

    // A page with pictures that load late: each grey again and its load timer unset.
    void setPictures(const std::vector<QRect>& places, const std::function<int(int)>& loadMs)
    {
        app.pictures.clear();
        for (std::size_t i = 0; i < places.size(); ++i)
            app.pictures.push_back({.pageRow = places[i].y(), .loadsAt = std::nullopt, .x = places[i].x(), .w = places[i].width(),
                                    .h = places[i].height(), .loadMs = loadMs(int(i))});
    }
    void resetPictures()
    {
        for (auto& picture : app.pictures)
            picture.loadsAt.reset();
    }

    // The page from `top` down, as the capture must show it left of `right` (the
    // scrollbar, or a canvas), with the pictures' places painted over in both.
    void expectPageFrom(int top, int right, const QImage& firstView = {})
    {
        EXPECT_TRUE(alerts.alerts.empty()) << "no message";
        EXPECT_EQ(app.top, app.maxTop()) << "to the page's end";
        QImage expected(kWidth, kView - top + app.maxTop(), QImage::Format_RGB32);
        QPainter painter(&expected);
        painter.drawImage(0, 0, firstView.isNull() ? ScrollTestPages::frame(app.page, 0, kView, app.decor) : firstView, 0,
                          top, kWidth, kView - top);
        painter.drawImage(0, kView - top, app.page, 0, kView, kWidth, app.maxTop());
        painter.end();
        QImage content = clipboard();
        ASSERT_EQ(content.height(), expected.height()) << "every row once";
        content = content.copy(0, 0, right, content.height());
        expected = expected.copy(0, 0, right, expected.height());
        for (const auto& picture : app.pictures) {
            for (QImage* image : {&content, &expected})
                QPainter(image).fillRect(picture.x, picture.pageRow - top, picture.w, picture.h, Qt::black);
        }
        EXPECT_EQ(content, expected) << "in order";
    }

    // 200 numbered rows of 40 px on a white page with a short blank end.
    static QImage twoHundredRowsAndABlankEnd()
    {
        const QImage rows = ScrollTestPages::numberedRows(kWidth, 200, 40);
        QImage page(kWidth, rows.height() + 24, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter(&page).drawImage(0, 0, rows);
        return page;
    }
};

} // namespace

TEST_F(ChangingPageCaptureTest, AGridOfCardsWhosePicturesLoadLateComesOutWhole)
{
    // Three columns of 90 cards, 214 px a row; a picture turns from grey to colour 0.5
    // to 2 s after any of it shows.
    std::vector<QRect> places;
    app.page = ScrollTestPages::cardGrid(kWidth - 12, 30, 3, 214, &places).copy(0, 0, kWidth, 30 * 214 + 24);
    setPictures(places, [](int i) { return 500 + i * 389 % 1500; });
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "whole view" : "60%");
        resetPictures();
        captureFrom(selectionTop(whole));
        expectPageFrom(selectionTop(whole), kWidth - app.decor.scrollbar);
    }
}

TEST_F(ChangingPageCaptureTest, CardsRepeatingAtAFixedPitchWhosePicturesLoadOnceSeenComeOutWhole)
{
    // 70 cards of 193 px in one column; a picture turns to colour 250 ms after it shows.
    std::vector<QRect> places;
    app.page = ScrollTestPages::cardGrid(kWidth - 12, 70, 1, 193, &places).copy(0, 0, kWidth, 70 * 193 + 24);
    setPictures(places, [](int) { return 250; });
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "whole view" : "60%");
        resetPictures();
        captureFrom(selectionTop(whole));
        expectPageFrom(selectionTop(whole), kWidth - app.decor.scrollbar);
    }
}

TEST_F(ChangingPageCaptureTest, RowsUnderAHeaderThatShrinksAsThePageScrollsComeOutWhole)
{
    // 200 rows of 40 px below the 120 rows a fixed header covers at first; the header
    // shrinks to 60 px over the first 120 px of scrolling.
    QImage page(kWidth, 120 + 200 * 40 + 24, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter(&page).drawImage(0, 120, ScrollTestPages::numberedRows(kWidth, 200, 40));
    app.page = page;
    app.shrinkingHeader = {120, 60};
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "whole view" : "60%");
        app.top = 0;
        const QImage firstView = app.grab(QRect(kViewOrigin, QSize(kWidth, kView)), false);
        captureFrom(selectionTop(whole));
        expectPageFrom(selectionTop(whole), kWidth - app.decor.scrollbar, firstView);
    }
}

TEST_F(ChangingPageCaptureTest, AHeaderThatShrinksOverABannerThatGrowsIsNotTakenForAClickTooLarge)
{
    // A header that shrinks from 120 to 60 px, with its title, over a banner at the bottom
    // that grows from 30 to 90 px: at both edges the frames differ over more rows than
    // the plain rows between show edges. A click of 120 px is 22% of the lower 60%.
    QImage page(kWidth, 120 + 200 * 40 + 120, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter(&page).drawImage(0, 120, ScrollTestPages::numberedRows(kWidth, 200, 40));
    app.page = page;
    app.shrinkingHeader = {120, 60};
    app.growingFooter = {30, 90};
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "whole view" : "60%");
        app.top = 0;
        captureFrom(selectionTop(whole));
        EXPECT_TRUE(alerts.alerts.empty()) << "no message";
        EXPECT_EQ(app.top, app.maxTop()) << "to the page's end";
        // Every row, less what the bands cover at most, below the selection's first view.
        EXPECT_GE(clipboard().height(), kView - selectionTop(whole) + app.maxTop() - 90);
    }
}

TEST_F(ChangingPageCaptureTest, RowsBesideACanvasRedrawnEveryFrameComeOutWholeAndInTime)
{
    // 200 rows of 40 px; a canvas right of their strips, nearly half the width and the
    // whole height, changes at every frame. The same page standing still sets the time.
    app.page = twoHundredRowsAndABlankEnd();
    const QRect canvas(kWidth / 2, 0, kWidth / 2 - 12, kView);
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole ? "whole view" : "60%");
        app.canvas = QRect();
        const qint64 still = captureFrom(selectionTop(whole));
        expectPageFrom(selectionTop(whole), kWidth - app.decor.scrollbar);
        app.canvas = canvas;
        const qint64 animated = captureFrom(selectionTop(whole));
        expectPageFrom(selectionTop(whole), canvas.x());
        EXPECT_LE(animated, 2 * still) << "the capture's time beside the canvas, and still: " << animated << " ms, " << still
                                       << " ms";
    }
}

TEST_F(ChangingPageCaptureTest, RowsBesideACanvasOfAnySizeAndPlaceComeOutWholeAndInTime)
{
    // 200 rows of 40 px; a canvas redrawn at every frame right of their numbers and
    // strips, clear of the view's edges: part of the view's height and fixed in it, or
    // a block that scrolls with its rows. The same page standing still sets the time.
    app.page = twoHundredRowsAndABlankEnd();
    const struct {
        const char* name;
        QRect canvas;
        bool scrolls;
    } cases[] = {
        {"fixed, part of the height", QRect(320, 200, 230, 420), false},
        {"fixed, a short band low in the view", QRect(330, 700, 200, 150), false},
        {"scrolling with its rows", QRect(320, 1500, 240, 300), true},
    };
    for (const auto& c : cases) {
        for (const bool whole : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (whole ? ", whole view" : ", 60%"));
            app.canvas = QRect();
            const qint64 still = captureFrom(selectionTop(whole));
            app.canvas = c.canvas;
            app.canvasScrolls = c.scrolls;
            const qint64 animated = captureFrom(selectionTop(whole));
            expectPageFrom(selectionTop(whole), c.canvas.x());
            EXPECT_LE(animated, 2 * still) << "the capture's time beside the canvas, and still: " << animated << " ms, "
                                           << still << " ms";
        }
    }
}

TEST_F(ChangingPageCaptureTest, APageEndingInsideAGreyPictureGetsNoRowsItDoesNotHave)
{
    // Cards of 600 px in one column whose pictures never load, no scrollbar; the page ends
    // inside the last picture, so that a low selection shows nothing but its grey rows,
    // the same wherever the page stands, once the page stops there. The capture may stop
    // short, saying so, but never adds a row the page does not have.
    std::vector<QRect> places;
    app.page = ScrollTestPages::cardGrid(kWidth, 4, 1, 600, &places).copy(0, 0, kWidth, 3 * 600 + 400);
    setPictures(places, [](int) { return 3'600'000; });
    app.decor = {};
    app.pixelsPerClick = 40;
    app.viewHeight = 700;
    // The first view shows the second card's top and caption.
    const int top = 540;
    captureFrom(top);
    QImage content = clipboard();
    ASSERT_FALSE(content.isNull());
    ASSERT_LE(content.height(), app.page.height() - top) << "no more rows than the page has";
    QImage expected = app.page.copy(0, top, kWidth, content.height());
    for (const auto& picture : app.pictures) {
        for (QImage* image : {&content, &expected})
            QPainter(image).fillRect(picture.x, picture.pageRow - top, picture.w, picture.h, Qt::black);
    }
    EXPECT_EQ(content.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32))
        << "the page's rows, in order";
    if (content.height() < app.page.height() - top)
        EXPECT_FALSE(alerts.alerts.empty()) << "rows left out are told";
}
