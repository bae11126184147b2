#include "ScrollCaptureFixture.h"

#include "Capture/ScrollCaptureGeometry.h"

#include <QPushButton>

TEST(ScrollCaptureGeometry, StepsLimitsClicksAndThePlacesOfOutlineAndHintBar)
{
    using namespace ScrollCaptureGeometry;
    for (const auto& [height, step] : {std::pair{300.0, 75}, {60.0, 20}, {83.9, 20}, {84.0, 21}})
        EXPECT_EQ(stepPoints(height), step) << height;
    for (const auto& [stored, used] : {std::pair{qint64(1999), 20000}, {2000, 2000}, {50000, 50000}, {50001, 20000}, {0, 20000}})
        EXPECT_EQ(maxScrollLength(stored), used) << stored;
    for (const auto& [visible, perClick, clicks] : {std::tuple{360, 57, 3}, {1000, 120, 5}, {150, 100, 1}, {100, 0, 1}})
        EXPECT_EQ(clicksPerTick(visible, perClick), clicks) << visible << " " << perClick;
    EXPECT_EQ(grabRect(QRectF(10.3, 20.6, 100.9, 50.5), 2.0, QRect(1920, 0, 3840, 2160)), QRect(1941, 41, 201, 101));

    // The outline never touches the selection and lies on the display that shows it.
    const QRectF selection(100.5, 50, 600, 400);
    const QRegion outline = outlineRegion(selection, QRectF(0, 0, 1000, 800));
    EXPECT_FALSE(outline.intersects(selection.toAlignedRect()));
    EXPECT_TRUE(outline.contains(QPoint(97, 47)));
    EXPECT_TRUE(outlineRegion(selection, QRectF(1000, 0, 1000, 800)).isEmpty());

    // The hint bar: below, above, at the farther side, or nowhere.
    const QRectF screen(0, 0, 1000, 800);
    const QSizeF bar(300, 30);
    const struct {
        QRectF selection;
        std::optional<QPointF> at;
    } places[] = {
        {QRectF(100, 50, 600, 400), QPointF(250, 464)},
        {QRectF(100, 300, 600, 480), QPointF(250, 256)},
        {QRectF(0, 0, 600, 800), QPointF(684, 16)},
        {QRectF(0, 0, 1000, 790), std::nullopt},
    };
    for (const auto& place : places) {
        const auto frame = hintBarFrame(screen, place.selection, bar);
        EXPECT_EQ(frame ? std::optional<QPointF>(frame->topLeft()) : std::nullopt, place.at) << place.selection.y();
        if (frame) {
            EXPECT_FALSE(frame->intersects(place.selection));
        }
    }
}

TEST(ScrollAutoDriverTest, StopRulesCalibrationKeysAndClicks)
{
    const struct {
        std::vector<Outcome> outcomes;
        int endsAt; // index of the outcome that ends the loop, -1 for none
    } runs[] = {
        {{Outcome::duplicate, Outcome::duplicate, Outcome::duplicate, Outcome::duplicate}, 3},
        {{Outcome::duplicate, Outcome::duplicate, Outcome::duplicate, Outcome::rejected, Outcome::duplicate}, 4},
        {std::vector<Outcome>(7, Outcome::rejected), -1},
        {std::vector<Outcome>(8, Outcome::rejected), 7},
        {{Outcome::rejected, Outcome::rejected, Outcome::rejected, Outcome::rejected, Outcome::kept, Outcome::rejected,
          Outcome::rejected, Outcome::rejected, Outcome::rejected, Outcome::rejected, Outcome::rejected, Outcome::rejected},
         -1},
        {{Outcome::kept, Outcome::stop}, 1},
    };
    for (std::size_t r = 0; r < std::size(runs); ++r) {
        ScrollStopRules rules;
        int endedAt = -1;
        for (std::size_t i = 0; i < runs[r].outcomes.size() && endedAt < 0; ++i)
            if (rules.endsAfter(runs[r].outcomes[i]))
                endedAt = int(i);
        EXPECT_EQ(endedAt, runs[r].endsAt) << "run " << r;
    }

    setCaptureDiagnosticSink([](const QString&) {});
    ManualCaptureClock clock;
    FakeScrolledPage page;
    page.clock = &clock;
    int keys = 0, stalls = 0, ticks = 0;
    ScrollAutoDriver driver(page, clock, {QRect(100, 50, 600, 400), 100, 120, 4}, [&] { ++keys; });
    driver.uiPassThroughRect = QRect(250, 464, 300, 30);
    std::vector<Outcome> answers{Outcome::kept, Outcome::kept, Outcome::duplicate, Outcome::duplicate,
                                 Outcome::duplicate, Outcome::duplicate};
    driver.start(
        [&](ScrollAutoDriver::TickDone done) {
            if (ticks == 0)
                driver.calibrate(57);
            done(answers.at(std::size_t(ticks++)));
        },
        [&] { ++stalls; });
    while (clock.advanceToNextDue()) {
    }
    EXPECT_EQ(page.clicks, (std::vector<int>{1, 2, 2, 2, 2, 2})) << "one click until a click's size is known";
    EXPECT_EQ(driver.scrolledStepPx(), 114);
    EXPECT_EQ(stalls, 1);
    EXPECT_EQ(page.pointer, QPoint(5, 5)) << "the user's pointer outside the selection is put back after each tick";
    driver.handleKeyPress();
    driver.handleKeyPress();
    EXPECT_EQ(keys, 1);
    EXPECT_TRUE(driver.isStopped());

    EXPECT_TRUE(driver.swallowsClickAt(QPoint(400, 200)));
    EXPECT_FALSE(driver.swallowsClickAt(QPoint(300, 470)));
    EXPECT_FALSE(driver.swallowsClickAt(QPoint(900, 700)));
    EXPECT_FALSE(ScrollAutoDriver::swallowsClick(QRect(0, 0, 100, 100), QRect(10, 10, 20, 20), QPoint(15, 15)))
        << "the hint bar's clicks pass even over the selection";
    setCaptureDiagnosticSink({});
}

TEST_F(ScrollCaptureTest, ScrollsToThePagesEndAndDeliversTheWholePageOnce)
{
    const int maxTop = app.maxTop();

    controller.start();
    controller.start();
    EXPECT_TRUE(controller.isBusy());
    EXPECT_EQ(controller.phase(), Phase::idle) << "the phase waits for the overlays";
    EXPECT_FALSE(lumetraWindow.isVisible());
    select();
    controller.start();
    controller.handleSelection(QRectF(0, 0, 300, 300)); // a second selection while switching
    EXPECT_EQ(controller.overlayViews().size(), 1);
    EXPECT_EQ(display.captures, 1) << "one freeze";

    ASSERT_TRUE(runUntil([&] { return controller.autoDriver() && controller.autoDriver()->isRunning(); }));
    EXPECT_EQ(controller.grabRect(), QRect(kViewOrigin, QSize(kWidth, app.viewHeight)));
    EXPECT_TRUE(input.held);
    ASSERT_TRUE(controller.hintBar());
    EXPECT_FALSE(controller.hintBar()->geometry().intersects(QRect(kViewOrigin, QSize(kWidth, app.viewHeight))));
    EXPECT_EQ(controller.hintBar()->sizeText(), QStringLiteral("600 × 400 px"));
    EXPECT_EQ(controller.hintBar()->statusText(), QStringLiteral("Auto-scrolling — press any key to stop"));
    EXPECT_TRUE(controller.overlayViews().first()->isRecording());
    EXPECT_EQ(controller.overlayViews().first()->mask().boundingRect(), QRect(96, 46, 608, 408));

    ASSERT_TRUE(runToIdle());
    expectTornDown();
    EXPECT_EQ(app.top, maxTop);
    EXPECT_EQ(app.clicks.front(), 1);
    EXPECT_EQ(app.clicks.back(), 3) << "a click is 57 px: three scroll 3/5 of the 360 rows under the header";
    EXPECT_EQ(controller.hintModel().heightPx(), app.viewHeight + maxTop);
    const QImage content = clipboardContent();
    ASSERT_EQ(content.height(), app.viewHeight + maxTop);
    EXPECT_EQ(content, app.expected(content.height())) << "the header once, then the page row for row";
    EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(ScrollCaptureTest, ContentPeopleScrollComesOutWholeOnceOrSaysWhyNot)
{
    enum class Ends { whole, partialWithMessage, tooLowBeforeRecording };
    ScrollTestPages::Layout at;
    const QImage full = ScrollTestPages::page(kWidth, &at);
    const QImage document = full.copy(0, 0, kWidth, at.gradient);
    int tableHeader = 0;
    const QImage table = ScrollTestPages::table(kWidth, 300, &tableHeader);
    // Text, then stripes across the page whose rows are all alike, far taller than the view.
    QImage unregistrable(kWidth, at.gradient + 2400, QImage::Format_RGB32);
    unregistrable.fill(Qt::white);
    {
        QPainter painter(&unregistrable);
        painter.drawImage(0, 0, document);
        for (int x = 0; x < kWidth; x += 24)
            painter.fillRect(x, at.gradient, 12, 2400, QColor::fromHsv(x % 360, 120, 200));
    }
    // The page's last scroll: 3 rows, after a first click of 57 and steps of 3 clicks.
    const int lastScroll = 360 + 57 + 171 * 6 + 3;
    const struct {
        const char* name;
        QImage page;
        ScrollTestPages::Decor decor;
        int viewHeight = 400;
        bool badge = false;
        Ends ends = Ends::whole;
    } cases[] = {
        {"lines that look alike", ScrollTestPages::numberLines(kWidth, 400), {}},
        {"a zebra list of equal entries", ScrollTestPages::zebraList(kWidth, 300, 150), {.header = 40, .scrollbar = 12}},
        {"a fixed footer", document, {.header = 40, .scrollbar = 12, .footer = 64}},
        {"a fixed sidebar", document, {.header = 40, .scrollbar = 12, .sidebar = 140}},
        {"a last scroll of 3 rows", full.copy(0, 0, kWidth, lastScroll), {.header = 40, .scrollbar = 12}},
        {"an animated badge", document, {.header = 40, .scrollbar = 12}, 400, true},
        {"a pager's prompt that changes as it scrolls", document, {.footer = 16, .prompt = true}},
        {"a table header that sticks once scrolled to the top", table, {.stickyFrom = tableHeader}, 300},
        // A photo-like block, smooth but for a fine texture: where the frames share nothing
        // else, its pixels, drawn again exactly, place them.
        {"a photo-like block between rows that look alike", full, {.header = 40, .scrollbar = 12}},
        // Rows all alike over many steps: nothing tells how far the page went.
        {"content that cannot be registered", unregistrable, {.header = 40, .scrollbar = 12}, 400, false,
         Ends::partialWithMessage},
        {"a selection lower than two clicks", document, {.header = 40, .scrollbar = 12}, 110, false,
         Ends::tooLowBeforeRecording},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pasteboard.clearContents();
        alerts.alerts.clear();
        app.page = c.page;
        app.decor = c.decor;
        app.viewHeight = c.viewHeight;
        app.badge = c.badge;
        app.top = 0;
        app.clicks.clear();
        select();
        const QDateTime start = clock.now();
        ASSERT_TRUE(runToIdle());
        const qint64 ticks = std::max<qint64>(1, qint64(app.clicks.size()));
        EXPECT_LT(start.msecsTo(clock.now()) / ticks, 500) << "a tick settles within half a second";
        const QImage content = clipboardContent();
        switch (c.ends) {
        case Ends::whole:
            EXPECT_TRUE(alerts.alerts.empty());
            EXPECT_EQ(app.top, app.maxTop());
            ASSERT_EQ(content.height(), c.decor.header + c.page.height() + c.decor.footer);
            EXPECT_EQ(content, app.expected(content.height())) << "every row once, the footer once at the bottom";
            break;
        case Ends::partialWithMessage:
            ASSERT_EQ(alerts.alerts.size(), 1u);
            EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("scrollCapture.stoppedEarly.title")));
            ASSERT_LT(content.height(), c.decor.header + c.page.height());
            EXPECT_EQ(content, app.expected(content.height())) << "what was taken is exact";
            break;
        case Ends::tooLowBeforeRecording:
            ASSERT_EQ(alerts.alerts.size(), 1u);
            EXPECT_TRUE(alerts.alerts[0].text.contains(localized(QStringLiteral("scrollCapture.tooLow"))));
            EXPECT_TRUE(content.isNull());
            EXPECT_EQ(app.clicks, (std::vector<int>{1, -1})) << "scrolled back";
            break;
        }
    }
}

TEST_F(ScrollCaptureTest, AFeedThatLoadsMoreOnceItsEndShowsComesOutWhole)
{
    // A page that grows by 191 rows each time its end has been in view for a while. A
    // first click scrolls 57 rows, then each step 171: the page's end stops the step
    // 30 rows in at first, then 20 rows in each time, well short of the step.
    constexpr int kFirst = 618, kGrowth = 191, kRows = kFirst + 4 * kGrowth;
    ScrollTestPages::Layout at;
    const QImage document = ScrollTestPages::page(kWidth, &at).copy(0, 0, kWidth, at.gradient);
    ASSERT_GE(document.height(), kRows);
    for (const int growAfterMs : {300, 1500, 2500}) {
        SCOPED_TRACE(growAfterMs);
        pasteboard.clearContents();
        alerts.alerts.clear();
        app.feed = document.copy(0, 0, kWidth, kRows);
        app.page = app.feed.copy(0, 0, kWidth, kFirst);
        app.growBy = kGrowth;
        app.growAfterMs = growAfterMs;
        app.growAt.reset();
        app.top = 0;
        app.clicks.clear();
        select();
        ASSERT_TRUE(runToIdle());
        EXPECT_TRUE(alerts.alerts.empty());
        ASSERT_EQ(app.page.height(), kRows);
        EXPECT_EQ(app.top, app.maxTop());
        const QImage content = clipboardContent();
        ASSERT_EQ(content.height(), app.decor.header + kRows) << "every row once";
        EXPECT_EQ(content, app.expected(content.height()));
    }
}

TEST_F(ScrollCaptureTest, RowsAFeedLoadsInPlaceOfItsBlankEndOrLoadingPromptJoinWithoutASeam)
{
    // While more rows are to come the page ends in a band of its background, 60 rows
    // blank or with a "Loading more…" line; the rows that load take the band's place.
    // They come while the page stands at its end, or between a tick's scroll and its
    // frame; at the full view and at a lower selection; and beside a canvas redrawn at
    // every frame, which leaves the band plain only left of it.
    constexpr int kFirst = 618, kGrowth = 191, kRows = kFirst + 4 * kGrowth;
    ScrollTestPages::Layout at;
    const QImage document = ScrollTestPages::page(kWidth, &at).copy(0, 0, kWidth, at.gradient);
    ASSERT_GE(document.height(), kRows);
    const QRect canvas(kWidth / 2, 0, kWidth / 2 - 40, app.viewHeight);
    struct Case {
        bool prompt;
        int growAfterMs;
        int selectionTop;
        bool besideCanvas = false;
    };
    for (const Case c : {Case{false, 300, 0}, Case{true, 300, 0}, Case{false, 1500, 0}, Case{true, 2500, 0},
                         Case{true, 1500, 120}, Case{false, 700, 120}, Case{false, 1500, 0, true},
                         Case{true, 2500, 0, true}, Case{true, 1500, 120, true}}) {
        SCOPED_TRACE(QStringLiteral("prompt %1, loads after %2 ms, selection from %3%4")
                         .arg(c.prompt).arg(c.growAfterMs).arg(c.selectionTop)
                         .arg(c.besideCanvas ? QStringLiteral(", beside a canvas") : QString()).toStdString());
        startOver();
        app.canvas = c.besideCanvas ? canvas : QRect();
        app.selectionTop = c.selectionTop;
        app.feed = document.copy(0, 0, kWidth, kRows);
        app.endBand = 60;
        app.loadingPrompt = c.prompt;
        app.showFeed(kFirst);
        app.growBy = kGrowth;
        app.growAfterMs = c.growAfterMs;
        app.growAt.reset();
        select();
        ASSERT_TRUE(runToIdle());
        EXPECT_TRUE(alerts.alerts.empty());
        ASSERT_EQ(app.page.height(), kRows) << "every row loaded";
        EXPECT_EQ(app.top, app.maxTop());
        const QImage content = clipboardContent();
        ASSERT_EQ(content.height(), app.decor.header + kRows - c.selectionTop) << "every row once, no band between";
        const int compared = c.besideCanvas ? canvas.x() : content.width();
        EXPECT_EQ(content.copy(0, 0, compared, content.height()),
                  app.expected(content.height() + c.selectionTop).copy(0, c.selectionTop, compared, content.height()));
    }
}

TEST_F(ScrollCaptureTest, AFeedWhoseLastRowsAreFewerThanItsLoadingBandEndsWithThemOnceAndSaysNothing)
{
    // While more rows are to come the page ends in a band of its background 60 rows high;
    // the last rows to come are fewer than that, so the page gets shorter under a view at
    // its end and the view moves up with it, at once or at the next scroll. At the full
    // view and at a lower selection, with and without a "Loading more…" line, for a few
    // shortfalls.
    constexpr int kFirst = 618, kGrowth = 191;
    ScrollTestPages::Layout at;
    const QImage document = ScrollTestPages::page(kWidth, &at).copy(0, 0, kWidth, at.gradient);
    struct Case {
        int lastRows;
        bool prompt;
        int selectionTop;
        bool atOnce;
    };
    for (const Case c : {Case{46, true, 0, true}, Case{46, false, 0, false}, Case{31, true, 120, true},
                         Case{52, false, 120, false}, Case{20, true, 0, false}, Case{20, false, 0, true}}) {
        SCOPED_TRACE(QStringLiteral("last %1 rows, prompt %2, selection from %3, the view follows %4")
                         .arg(c.lastRows).arg(c.prompt).arg(c.selectionTop)
                         .arg(c.atOnce ? QStringLiteral("at once") : QStringLiteral("at the next scroll"))
                         .toStdString());
        const int rows = kFirst + 3 * kGrowth + c.lastRows;
        ASSERT_GE(document.height(), rows);
        startOver();
        app.selectionTop = c.selectionTop;
        app.feed = document.copy(0, 0, kWidth, rows);
        app.endBand = 60;
        app.loadingPrompt = c.prompt;
        app.followsAShorterPage = c.atOnce;
        app.showFeed(kFirst);
        app.growBy = kGrowth;
        app.growAfterMs = 1500;
        app.growAt.reset();
        select();
        ASSERT_TRUE(runToIdle());
        ASSERT_EQ(app.page.height(), rows) << "every row loaded";
        EXPECT_EQ(app.top, app.maxTop());
        EXPECT_TRUE(alerts.alerts.empty()) << "the page's end was reached";
        const QImage content = clipboardContent();
        ASSERT_EQ(content.height(), app.decor.header + rows - c.selectionTop) << "every row once, no band after them";
        EXPECT_EQ(content, app.expected(content.height() + c.selectionTop).copy(0, c.selectionTop, content.width(),
                                                                                 content.height()));
    }
}

TEST_F(ScrollCaptureTest, ALastScrollOfAFewRowsIntoAPlainEndBesideACanvasAboveABannerIsKept)
{
    // Numbered rows, then the page's background to its end; beside the rows a canvas
    // redrawn at every frame, and over the view's bottom a banner. The page's last scroll
    // is a few rows: the frame it stops on shows the last rows' foot moved up, and below
    // it only the background, the canvas and the banner.
    constexpr int kRows = 28, kPitch = 40;
    for (const int lastScroll : {9, 5, 14}) {
        SCOPED_TRACE(lastScroll);
        startOver();
        const int maxTop = 57 + 171 * 6 + lastScroll;
        QImage page(kWidth, maxTop + app.viewHeight - app.decor.header, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter(&page).drawImage(0, 0, ScrollTestPages::numberedRows(kWidth, kRows, kPitch));
        ASSERT_LT(kRows * kPitch, maxTop + kPitch) << "the last frame shows the rows' foot at most";
        ASSERT_GT(kRows * kPitch, maxTop) << "the last frame shows the rows' foot";
        app.page = page;
        app.canvas = QRect(300, app.decor.header, 240, app.viewHeight - app.decor.header);
        app.growingFooter = {30, 50};
        select();
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(app.top, app.maxTop());
        EXPECT_TRUE(alerts.alerts.empty()) << "the page's end was reached";
        const QImage content = clipboardContent();
        ASSERT_EQ(content.height(), app.decor.header + page.height()) << "every row once, the last scroll too";
        // Left of the canvas, above the banner as the last frame has it.
        const int compared = app.canvas.x() - app.decor.sidebar, rows = content.height() - 50;
        EXPECT_EQ(content.copy(0, 0, compared, rows), app.expected(content.height()).copy(0, 0, compared, rows));
    }
}

TEST_F(ScrollCaptureTest, ABarThatMovesByItselfAcrossTheWidthNeitherStallsTheStepsNorLosesTheEnd)
{
    // 30 rows under the header change at every grab; the page's last scroll is 3 rows.
    ScrollTestPages::Layout at;
    const QImage full = ScrollTestPages::page(kWidth, &at);
    app.page = full.copy(0, 0, kWidth, 360 + 57 + 171 * 6 + 3);
    app.movingBar = 30;
    select();
    const QDateTime start = clock.now();
    ASSERT_TRUE(runToIdle());
    const qint64 ticks = std::max<qint64>(1, qint64(app.clicks.size()));
    EXPECT_LT(start.msecsTo(clock.now()) / ticks, 500) << "a tick settles within half a second";
    EXPECT_TRUE(alerts.alerts.empty());
    EXPECT_EQ(app.top, app.maxTop());
    const QImage content = clipboardContent();
    ASSERT_EQ(content.height(), app.decor.header + app.page.height()) << "every row once, the last 3 too";
    // Below the bar as the first frame showed it.
    const int below = app.decor.header + app.movingBar;
    EXPECT_EQ(content.copy(0, below, content.width(), content.height() - below),
              app.expected(content.height()).copy(0, below, content.width(), content.height() - below));
}

TEST_F(ScrollCaptureTest, APictureThatLoadsWhileThePageStandsAtItsEndShowsLoaded)
{
    // The page's last scroll is 3 rows; a picture 100 rows above its end loads a second
    // after it came into view whole, when the page has already stopped.
    ScrollTestPages::Layout at;
    app.page = ScrollTestPages::page(kWidth, &at).copy(0, 0, kWidth, 360 + 57 + 171 * 6 + 3);
    app.pictures = {{app.page.height() - 100, std::nullopt}};
    app.pictureLoadMs = 1000;
    select();
    ASSERT_TRUE(runToIdle());
    EXPECT_TRUE(alerts.alerts.empty());
    ASSERT_TRUE(app.pictures[0].loadsAt.has_value());
    const QImage content = clipboardContent();
    ASSERT_EQ(content.height(), app.decor.header + app.page.height());
    EXPECT_EQ(content, app.expected(content.height())) << "the picture as the page last showed it";
}

// A browser's list: 400 rows of 20 px under a 60-px header, the same text on grey and
// white, each row's index in a narrow column at the left; a wheel click scrolls 120 px,
// three whole periods of the rows.
class AlikeRowsCaptureTest : public ScrollCaptureTest {
public:
    static constexpr int kView = 844, kHeader = 60, kClick = 120;
    // The smallest selection the session takes: two clicks fit in what it shows.
    static constexpr int kSmallest = 2 * kClick;

    void SetUp() override
    {
        ScrollCaptureTest::SetUp();
        app.page = ScrollTestPages::indexedRows(kWidth, 400);
        app.decor = {.header = kHeader, .scrollbar = 12, .pageHeader = true};
        app.viewHeight = kView;
        app.pixelsPerClick = kClick;
    }

    // Captures a selection `height` high that ends at the view's bottom, and checks that
    // it comes out whole: every row once, in order, with no message.
    void expectWholeCapture(int height)
    {
        SCOPED_TRACE(height);
        startOver();
        app.selectionTop = kView - height;
        select();
        ASSERT_TRUE(runToIdle());
        EXPECT_TRUE(alerts.alerts.empty());
        EXPECT_EQ(app.top, app.maxTop());
        const QImage firstView = ScrollTestPages::frame(app.page, 0, kView, app.decor);
        const int scrolled = app.page.height() - (kView - kHeader);
        QImage expected(kWidth, height + scrolled, QImage::Format_RGB32);
        QPainter painter(&expected);
        painter.drawImage(0, 0, firstView, 0, kView - height, kWidth, height);
        painter.drawImage(0, height, app.page, 0, kView - kHeader, kWidth, scrolled);
        painter.end();
        const QImage content = clipboardContent();
        ASSERT_EQ(content.height(), expected.height()) << "every row once";
        EXPECT_EQ(content, expected.copy(0, 0, kWidth - app.decor.scrollbar, expected.height())) << "in order";
    }
};

TEST_F(AlikeRowsCaptureTest, ComeOutWholeAtEverySelectionHeight)
{
    // The whole view, part of the header, just below it, down to the smallest selection.
    // There the first click brings rows to the bottom that look exactly like the 11 it
    // scrolled away, a footer only in appearance.
    for (const int height : {kView, 833, 803, 800, 784, 600, 421, kSmallest})
        expectWholeCapture(height);
    // One row less, and a click scrolls more than half of what the frames show.
    startOver();
    app.selectionTop = kView - kSmallest + 1;
    select();
    ASSERT_TRUE(runToIdle());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].text.contains(localized(QStringLiteral("scrollCapture.tooLow"))));
    EXPECT_EQ(app.clicks, (std::vector<int>{1, -1})) << "measured on the first click, then scrolled back";
}

TEST_F(AlikeRowsCaptureTest, AScrollThePageShowsLateIsWaitedForAtEveryHeight)
{
    // A loaded machine: now and then the browser draws two rows of a scroll, then nothing
    // for longer than the pause between two frames of its animation, then the rest.
    // Taken as it stood, the frame says the page hardly moved; the next scroll then
    // takes the page out of reach of the last kept frame, where rows that look alike
    // fit at wrong offsets.
    app.lateScrolls = {3, 5, 6, 9, 14, 20, 27};
    for (const int lateMs : {150, 600}) {
        SCOPED_TRACE(lateMs);
        app.lateMs = lateMs;
        for (const int height : {kView, 421, kSmallest})
            expectWholeCapture(height);
    }
}

TEST_F(AlikeRowsCaptureTest, AScrollCaughtPartWayIsNotTakenForWhereThePageStopped)
{
    // The first frame of a smooth scroll can show a good part of it, near enough to the
    // clicks to fit, and the animation then pauses: the next scroll moves the page by its
    // own clicks and by the rest of this one. Caught so at the first click, whose scroll
    // the capture measures, it would take every later click for less than it is.
    app.lateScrolls = {1, 3, 5, 6, 9, 14, 20, 27};
    app.lateMs = 400;
    for (const int shown : {48, 60}) {
        SCOPED_TRACE(shown);
        app.lateShownPx = shown;
        for (const int height : {kView, 260, kSmallest})
            expectWholeCapture(height);
    }
}

// A browser's list of entries exactly alike, 52 px apart, to the page's end, under a few
// rows of text; a scrollbar whose thumb follows the page. A loaded machine now and then
// draws a scroll a third of a row short and stands there longer than the settle waits,
// and draws the rest with the next scroll.
class ExactlyAlikeRowsCaptureTest : public ScrollCaptureTest {
public:
    static constexpr int kView = 540, kPeriod = 52, kEntries = 120, kIntro = 200, kClick = 120;

    void SetUp() override
    {
        ScrollCaptureTest::SetUp();
        QImage page(kWidth, kIntro + kEntries * kPeriod, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.drawImage(0, 0, ScrollTestPages::page(kWidth).copy(0, 0, kWidth, kIntro));
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        for (int i = 0; i < kEntries; ++i) {
            const int y = kIntro + i * kPeriod;
            painter.fillRect(300, y, 40, 50, QColor(40, 120, 200));
            painter.drawText(12, y + 30, QStringLiteral("The same entry, again and again"));
        }
        painter.end();
        app.page = page;
        app.decor = {.scrollbar = 12, .pageHeader = true};
        app.viewHeight = kView;
        app.pixelsPerClick = kClick;
    }
};

TEST_F(ExactlyAlikeRowsCaptureTest, AScrollDrawnAThirdOfARowShortComesOutWhole)
{
    // Some of them one after the other: the page catches up the first and lags again.
    app.lateScrolls = {5, 9, 10, 16, 23, 24, 30, 37, 44, 51};
    app.lateMs = 400;
    for (const int shortBy : {18, 33}) {
        SCOPED_TRACE(shortBy);
        startOver();
        app.lateShownPx = 2 * kClick - shortBy;
        select();
        ASSERT_TRUE(runToIdle());
        EXPECT_TRUE(alerts.alerts.empty());
        EXPECT_EQ(app.top, app.maxTop());
        const QImage content = clipboardContent();
        ASSERT_EQ(content.height(), app.page.height()) << "every entry once";
        EXPECT_EQ(content, app.page.copy(0, 0, kWidth - app.decor.scrollbar, app.page.height()).convertToFormat(QImage::Format_RGB32))
            << "in order";
    }
}

TEST_F(ExactlyAlikeRowsCaptureTest, WithoutAScrollbarALastScrollDrawnShortNeverComesOutTooTall)
{
    // No thumb tells how far the page's last scroll went, and the entries fit every place
    // a row apart. A loaded machine draws that scroll a little short and pauses: the step
    // places the frame a row further than the page stood, and the rest of the scroll,
    // drawn with the next tick, fits a place a whole step on. The image may end short of
    // the page, and then says so; it never holds an entry twice.
    app.decor = {.pageHeader = true};
    app.viewHeight = 900;
    // Four clicks a step; a last scroll of 400 px, no whole number of entries (which
    // would leave the page looking as it stood).
    QImage page(kWidth, kIntro + 125 * kPeriod, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, app.page);
    painter.drawImage(0, app.page.height(), app.page.copy(0, kIntro, kWidth, 5 * kPeriod));
    painter.end();
    app.page = page;
    for (const int lateMs : {60, 400}) {
        for (const int shortBy : {3, 19, 47}) {
            SCOPED_TRACE(testing::Message() << "drawn " << shortBy << " px short for " << lateMs << " ms");
            startOver();
            app.lateMs = lateMs;
            app.lateShortOfTheEndPx = shortBy;
            select();
            ASSERT_TRUE(runToIdle());
            EXPECT_EQ(app.top, app.maxTop());
            const QImage content = clipboardContent();
            EXPECT_LE(content.height(), app.page.height()) << "never an entry twice";
            EXPECT_EQ(content, app.page.copy(0, 0, kWidth, content.height()).convertToFormat(QImage::Format_RGB32));
            EXPECT_EQ(alerts.alerts.empty(), content.height() == app.page.height()) << "short, and said so, or whole";
        }
    }
}

TEST_F(ScrollCaptureTest, EveryWayOutEndsInOneCleanup)
{
    enum class Delivers { nothing, firstFrame, prefix };
    const struct {
        const char* name;
        int maxLength;
        int viewHeight;
        std::function<void(ScrollCaptureTest&)> act; // after the drag
        Delivers delivers;
        int height = 0; // exact height when known
    } cases[] = {
        {"Esc before the first frame", 0, 400, [](ScrollCaptureTest& t) {
             t.runUntil([&] { return t.controller.phase() == Phase::recording; });
             t.input.press(CaptureInputGrab::Key::escape);
         }, Delivers::nothing},
        {"Done while scrolling", 0, 400, [](ScrollCaptureTest& t) {
             t.recordUntilKept(3);
             t.controller.hintBar()->doneButton()->click();
         }, Delivers::prefix},
        {"limit at the first frame", 2000, 2000, [](ScrollCaptureTest& t) {
             t.runUntil([&] { return t.controller.hintModel().limitReached(); });
             EXPECT_EQ(ScrollHintBarView(t.controller.hintModel(), {}).statusText(),
                       QStringLiteral("Maximum capture length reached, finished automatically"));
             EXPECT_TRUE(t.app.clicks.empty()) << "no scrolling";
         }, Delivers::firstFrame, 2000},
        {"limit while scrolling", 2000, 400, [](ScrollCaptureTest&) {}, Delivers::prefix, 2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pasteboard.clearContents();
        app.top = 0;
        app.clicks.clear();
        app.viewHeight = c.viewHeight;
        lumetraWindow.show();
        if (c.maxLength)
            Settings::captureMaxScrollLength.write(c.maxLength);
        else
            Settings::captureMaxScrollLength.remove();
        select();
        c.act(*this);
        ASSERT_TRUE(runToIdle());
        expectTornDown();
        EXPECT_EQ(controller.hintModel().limitReached(), c.delivers == Delivers::firstFrame)
            << "a limit reached while scrolling ends as the page's end does";
        const QImage content = clipboardContent();
        switch (c.delivers) {
        case Delivers::nothing:
            EXPECT_TRUE(content.isNull());
            break;
        case Delivers::firstFrame:
        case Delivers::prefix:
            ASSERT_FALSE(content.isNull());
            EXPECT_GT(content.height(), c.viewHeight - (c.delivers == Delivers::firstFrame));
            EXPECT_LT(content.height(), app.page.height());
            if (c.height) {
                EXPECT_EQ(content.height(), c.height);
            }
            EXPECT_EQ(content, app.expected(content.height()));
            break;
        }
    }
}

TEST_F(ScrollCaptureTest, RefusedInputAndAreasTooLowToScrollEndWithTheirMessage)
{
    input.refuse = true;
    select();
    ASSERT_TRUE(runToIdle());
    expectTornDown();
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("scrollCapture.axDenied.title")));
    EXPECT_TRUE(app.clicks.empty());

    // A click that moves the content by more than the view: the frames share no rows.
    input.refuse = false;
    app.pixelsPerClick = 600;
    select();
    ASSERT_TRUE(runToIdle());
    expectTornDown();
    EXPECT_EQ(app.clicks, (std::vector<int>{1, -1})) << "scrolled back to see the first view return";
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_TRUE(alerts.alerts[1].text.contains(localized(QStringLiteral("scrollCapture.tooLow"))));
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));

    // The same click on content that changes by itself is not called too low: such
    // frames are only rejected.
    app.clicks.clear();
    app.onScroll = [&] { app.page = app.page.mirrored(true, false); };
    select();
    ASSERT_TRUE(runToIdle());
    ASSERT_EQ(alerts.alerts.size(), 3u);
    EXPECT_EQ(alerts.alerts[2].title, localized(QStringLiteral("scrollCapture.stoppedEarly.title")));
    EXPECT_EQ(app.clicks.size(), 16u) << "eight rejected ticks, each scrolled back";
    EXPECT_EQ(clipboard().height(), app.viewHeight);
    app.page = app.page.mirrored(true, false);

    // Lower than any frame the stitcher compares: refused before scrolling.
    app.viewHeight = 40;
    select();
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(alerts.alerts.size(), 4u);
    EXPECT_EQ(app.clicks.size(), 16u);
}

TEST_F(ScrollCaptureTest, SettlingBacksOffUntilTwoGrabsAgreeAndGivesUpWithTheLatest)
{
    const struct {
        int failing, moving;
        std::vector<qint64> gaps; // between the first frame's grabs, ms
    } runs[] = {
        {0, 0, {12}},
        {3, 3, {0, 0, 0, 12, 18, 27, 40}}, // failed grabs are retried at once
        {0, 1000, {12, 18, 27, 40, 60, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80, 80}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.moving);
        app.grabTimes.clear();
        app.failing = run.failing;
        app.moving = run.moving;
        select();
        ASSERT_TRUE(runUntil([&] { return controller.capturedCount() == 1; }));
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        std::vector<qint64> gaps;
        for (qsizetype i = 1; i < app.grabTimes.size(); ++i)
            gaps.push_back(app.grabTimes[i - 1].msecsTo(app.grabTimes[i]));
        EXPECT_EQ(gaps, run.gaps);
        EXPECT_EQ(controller.keptFrames().count(), 1) << "a page that never stands still still gives its latest frame";
        controller.cancel();
    }
}

TEST_F(ScrollCaptureTest, ALateStepOfAnEndedCaptureNeverTouchesTheNextOne)
{
    // A judgement on its way when its capture is cancelled finds the next one recording.
    select();
    ASSERT_TRUE(runUntil([&] { return controller.capturedCount() == 1; }));
    controller.cancel();
    controller.start();
    clock.advance(ScrollingCaptureController::startDelayMs);
    controller.handleSelection(QRectF(kViewOrigin, QSizeF(kWidth, app.viewHeight)));
    clock.advance(0);
    ASSERT_EQ(controller.phase(), Phase::recording);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_TRUE(controller.keptFrames().isEmpty());
    EXPECT_EQ(controller.capturedCount(), 0);
    controller.cancel();

    // Esc in the second that shows the limit; the next capture reaches its own limit
    // before the first one's second is over: it still waits its whole second.
    Settings::captureMaxScrollLength.write(2000);
    app.viewHeight = 2000;
    select();
    ASSERT_TRUE(runUntil([&] { return controller.hintModel().limitReached(); }));
    const QDateTime firstDeadline = clock.now().addMSecs(ScrollingCaptureController::limitWaitMs);
    input.press(CaptureInputGrab::Key::escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.phase(), Phase::idle);
    select();
    ASSERT_TRUE(runUntil([&] { return controller.phase() == Phase::finishing; }));
    ASSERT_LT(clock.now(), firstDeadline);
    clock.advance(clock.now().msecsTo(firstDeadline));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.phase(), Phase::finishing);
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(clipboardContent(), app.expected(2000));
}
