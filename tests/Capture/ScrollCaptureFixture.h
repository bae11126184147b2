#pragma once

// A fake program under a scrolling-capture selection, driven through the real recording
// loop: a generated page that scrolls by wheel clicks, with what may change on it (a
// feed that grows, pictures that load, bars and canvases that move by themselves, a
// header that shrinks), and the fixture that runs a capture over it on a manual clock.

#include "ScrollDiagnosticsTest.h"
#include "Capture/CaptureLog.h"
#include "Capture/ScrollAutoDriver.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/ScrollCaptureOverlayView.h"
#include "Capture/ScrollFrameSource.h"
#include "Capture/ScrollingCaptureController.h"
#include "CaptureTestSupport.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/ScrollEventPoster.h"
#include "Platform/UserDefaults.h"
#include "ScrollTestPages.h"

#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QThreadPool>

#include <cstdio>

#include <gtest/gtest.h>

using Phase = ScrollingCaptureController::Phase;
using Outcome = ScrollTickOutcome;
constexpr int kWidth = 600;
const QPoint kViewOrigin(100, 50);

// The program under the selection: a generated page behind a fixed header, with a
// scrollbar; a wheel click moves it `pixelsPerClick` rows, never past its end.
class FakeScrolledPage final : public ScrollFrameSource, public ScrollEventPoster {
public:
    FakeScrolledPage()
    {
        ScrollTestPages::Layout layout;
        const QImage full = ScrollTestPages::page(kWidth, &layout);
        // Its smooth gradient and its table of identical rows cannot be registered.
        page = full.copy(0, 0, kWidth, layout.gradient);
    }

    QImage grab(const QRect& rect, bool) override
    {
        grabTimes.append(clock->now());
        // A feed: once its end has been in view for growAfterMs, growBy more rows.
        if (page.height() - bandShown < feed.height()) {
            if (!growAt && top == maxTop())
                growAt = clock->now().addMSecs(growAfterMs);
            if (growAt && clock->now() >= *growAt) {
                showFeed(std::min(page.height() - bandShown + growBy, feed.height()));
                growAt.reset();
                // Rows fewer than the band they came in place of leave the page shorter: a
                // view at its end moves up with it at once, or shows past the end until
                // the next scroll.
                if (followsAShorterPage)
                    top = std::min(top, maxTop());
            }
        }
        if (failing > 0 && failing--)
            return {};
        // A page still moving shows another row at each grab.
        // The selection may show only part of the view, down from `selectionTop`.
        // A scroll the page is slow to show: part of it, then nothing until it catches up.
        const int shown = late && clock->now() < late->until ? late->shownTop : top;
        const int viewTop = shown + (moving > 0 ? --moving % 2 + 1 : 0);
        QImage view = ScrollTestPages::frame(page, viewTop, viewHeight, decor);
        // Pictures grey until they have been in view whole for a while.
        // (Or, with a load time of its own, that long after any of it came into view.)
        for (Picture& picture : pictures) {
            const int y = decor.header + picture.pageRow - viewTop;
            const bool seen = picture.loadMs >= 0 ? y + picture.h > decor.header && y < viewHeight - decor.footer
                                                  : y >= decor.header && y + picture.h <= viewHeight - decor.footer;
            if (!picture.loadsAt && seen)
                picture.loadsAt = clock->now().addMSecs(picture.loadMs >= 0 ? picture.loadMs : pictureLoadMs);
            if (!picture.loadsAt || clock->now() < *picture.loadsAt)
                QPainter(&view).fillRect(picture.x, y, picture.w, picture.h, QColor(204, 204, 204));
        }
        // A header fixed over the view's top that shrinks as the page scrolls.
        if (shrinkingHeader.from > 0) {
            const int h = std::max(shrinkingHeader.to, shrinkingHeader.from - viewTop / 2);
            QPainter painter(&view);
            painter.fillRect(0, 0, kWidth - decor.scrollbar, h, QColor(34, 51, 68));
            painter.setPen(Qt::white);
            painter.drawText(12, h / 2 + 5, QStringLiteral("The header"));
        }
        // A banner fixed over the view's bottom that grows as the page scrolls.
        if (growingFooter.from > 0) {
            const int h = std::min(growingFooter.to, growingFooter.from + viewTop / 2);
            QPainter painter(&view);
            painter.fillRect(0, viewHeight - h, kWidth - decor.scrollbar, h, QColor(40, 44, 52));
            painter.setPen(Qt::white);
            painter.drawText(12, viewHeight - h / 2 + 5, QStringLiteral("The banner"));
        }
        // A canvas beside the rows, redrawn at every frame.
        if (!canvas.isEmpty()) {
            QPainter painter(&view);
            painter.setClipRect(0, decor.header, kWidth, viewHeight - decor.header);
            const QRect place = canvasScrolls ? canvas.translated(0, decor.header - viewTop) : canvas;
            const int f = int(grabTimes.size());
            painter.fillRect(place, QColor::fromHsv(f * 7 % 360, 150, 230));
            for (int i = 0; i * 75 < place.height(); ++i)
                painter.fillRect(place.x() + (f * 5 + i * 40) % std::max(1, place.width() - 30), place.y() + i * 75, 30,
                                 std::min(30, place.height() - i * 75), QColor(17, 34, 51));
        }
        QImage frame = view.copy(0, rect.y() - kViewOrigin.y(), kWidth, rect.height());
        if (movingBar > 0) // stripes that move by themselves, across the whole width under the header
            QPainter(&frame).fillRect(0, decor.header, kWidth, movingBar, QColor::fromHsv(grabTimes.size() * 53 % 360, 180, 230));
        if (badge) // pulses by itself at a fixed place
            QPainter(&frame).fillRect(kWidth - 60, decor.header + 8, 24, 24, QColor::fromHsv(grabTimes.size() * 37 % 360, 200, 220));
        return frame;
    }
    std::optional<QPoint> pointerPosition() override { return pointer; }
    void movePointer(const QPoint& to) override { pointer = to; }
    bool scroll(const QPoint& at, int count) override
    {
        pointer = at;
        clicks.push_back(count);
        const int before = top;
        top = std::clamp(top + count * pixelsPerClick, 0, maxTop());
        if (lateScrolls.contains(int(clicks.size())) && top > before)
            late = Late{clock->now().addMSecs(lateMs), before + std::min(lateShownPx, top - before)};
        else if (lateShortOfTheEndPx > 0 && top == maxTop() && top - before > lateShortOfTheEndPx)
            late = Late{clock->now().addMSecs(lateMs), top - std::exchange(lateShortOfTheEndPx, 0)};
        if (onScroll)
            std::exchange(onScroll, nullptr)();
        return true;
    }

    int maxTop() const { return page.height() - (viewHeight - decor.header - decor.footer); }
    // The feed's first `rows` rows, and below them, while more are to come, `endBand`
    // rows of the page's background (with `loadingPrompt`, a "Loading more…" line).
    void showFeed(int rows)
    {
        bandShown = rows < feed.height() ? endBand : 0;
        page = QImage(kWidth, rows + bandShown, feed.format());
        page.fill(QColor(252, 252, 250));
        QPainter painter(&page);
        painter.drawImage(0, 0, feed, 0, 0, kWidth, rows);
        if (bandShown > 0 && loadingPrompt) {
            painter.setPen(QColor(120, 120, 120));
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
            painter.drawText(QRect(0, rows, kWidth - decor.scrollbar, std::min(48, bandShown)), Qt::AlignCenter,
                             QStringLiteral("Loading more…"));
        }
    }
    // What a perfect capture of `rows` rows shows: the first view, then the page, and a
    // footer once at the bottom, right of a sidebar and left of the scrollbar.
    QImage expected(int rows) const
    {
        QImage image(kWidth, rows, QImage::Format_RGB32);
        QPainter painter(&image);
        const int content = viewHeight - decor.header - decor.footer;
        painter.drawImage(0, 0, ScrollTestPages::frame(page, 0, viewHeight, decor));
        painter.drawImage(0, viewHeight - decor.footer, page.copy(0, content, kWidth, rows - viewHeight + decor.footer));
        painter.drawImage(0, rows - decor.footer, ScrollTestPages::frame(page, maxTop(), viewHeight, decor),
                          0, viewHeight - decor.footer, kWidth, decor.footer);
        return image.copy(decor.sidebar, 0, kWidth - decor.scrollbar - decor.sidebar - (badge ? 64 : 0), rows);
    }

    CaptureClock* clock = nullptr;
    QImage page;
    ScrollTestPages::Decor decor{.header = 40, .scrollbar = 12};
    int viewHeight = 400;
    int selectionTop = 0; // the selection's top in the view
    int top = 0;
    int pixelsPerClick = 57;
    int failing = 0; // grabs that fail
    int moving = 0;  // grabs that differ from the one before
    bool badge = false;
    int movingBar = 0; // rows of a bar that changes at every grab
    std::vector<int> clicks;
    std::optional<QPoint> pointer = QPoint(5, 5);
    QList<QDateTime> grabTimes;
    std::function<void()> onScroll; // once, at the next scroll
    // Scrolls (counted from 1) that the page shows only `lateMs` after they were sent.
    QSet<int> lateScrolls;
    int lateMs = 0;
    int lateShownPx = 2; // how much of such a scroll it shows at first
    // The first scroll that reaches the page's end, shown that much short of it for `lateMs`.
    int lateShortOfTheEndPx = 0;
    struct Late {
        QDateTime until;
        int shownTop = 0;
    };
    std::optional<Late> late;
    struct Picture {
        int pageRow = 0;
        std::optional<QDateTime> loadsAt;
        int x = 20, w = 140, h = 60;
        int loadMs = -1; // its own load time, from when any of it shows; -1: pictureLoadMs once whole
    };
    struct {
        int from = 0, to = 0; // rows high at the page's top, and at its least
    } shrinkingHeader;
    struct {
        int from = 0, to = 0; // rows high at the page's top, and at its most
    } growingFooter;
    QRect canvas; // in the view, or in the page when it scrolls with its row
    bool canvasScrolls = false;
    std::vector<Picture> pictures;
    int pictureLoadMs = 0;
    QImage feed; // what the page grows to
    int growBy = 0;
    int growAfterMs = 0;
    std::optional<QDateTime> growAt;
    int endBand = 0; // rows below the feed's last row while it loads more
    bool loadingPrompt = false;
    bool followsAShorterPage = false;
    int bandShown = 0; // the band's rows at the bottom of `page` now
};

class FakeInputGrab final : public CaptureInputGrab {
public:
    bool grab() override { return held = !refuse; }
    void release() override { held = false; }
    bool isGrabbed() const override { return held; }
    void press(Key key) { emit keyPressed(key); }
    bool refuse = false;
    bool held = false;
};

class ScrollCaptureTest : public ScrollDiagnosticsTest {
public:
    void SetUp() override
    {
        ScrollDiagnosticsTest::SetUp();
        Pasteboard::setGeneralForTesting(&pasteboard);
        UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
        UserDefaults::standard().remove(Settings::captureMaxScrollLength.name());
        display.add(1, QRectF(0, 0, 1000, 2200), 1.0, patternImage(1000, 2200));
        app.clock = &clock;
        controller.setDevicesForTesting(&app, &app, &input);
        lumetraWindow.show();
    }
    void TearDown() override
    {
        Pasteboard::setGeneralForTesting(nullptr);
        ScrollDiagnosticsTest::TearDown();
    }

    // Runs the event loop, the workers and the clock until `done` holds (looked at after
    // every step) or nothing is left to run.
    bool runUntil(const std::function<bool()>& done)
    {
        int step = 0;
        return runClockUntil(clock, done, [&step] { return step++ < 20000; });
    }

    // Starts a capture and drags the rectangle of the page's view.
    void select()
    {
        controller.start();
        ASSERT_TRUE(runUntil([&] { return controller.phase() == Phase::selecting; }));
        ScrollCaptureOverlayView* view = controller.overlayViews().first();
        const QPoint begin = kViewOrigin + QPoint(0, app.selectionTop);
        const QPoint end = kViewOrigin + QPoint(kWidth, app.viewHeight);
        QTest::mousePress(view, Qt::LeftButton, {}, begin);
        QTest::mouseMove(view, end);
        QTest::mouseRelease(view, Qt::LeftButton, {}, end);
    }
    // Another capture of the same page: from its top, nothing delivered or said yet.
    void startOver()
    {
        pasteboard.clearContents();
        alerts.alerts.clear();
        app.top = 0;
        app.clicks.clear();
        app.late.reset();
    }
    bool recordUntilKept(int frames)
    {
        return runUntil([&] { return controller.keptFrames().count() >= frames || controller.phase() == Phase::idle; });
    }
    bool runToIdle() { return runUntil([&] { return controller.phase() == Phase::idle && !controller.isBusy(); }); }

    QImage clipboard() const
    {
        const auto data = pasteboard.data(Pasteboard::pngType);
        return data ? QImage::fromData(*data, "PNG").convertToFormat(QImage::Format_RGB32) : QImage();
    }
    // The clipboard left of the scrollbar, which the frames show at different places,
    // and right of a sidebar, which each slice shows as it was.
    QImage clipboardContent() const
    {
        const QImage clip = clipboard();
        return clip.copy(app.decor.sidebar, 0, kWidth - app.decor.scrollbar - app.decor.sidebar - (app.badge ? 64 : 0),
                         clip.height());
    }
    void expectTornDown()
    {
        EXPECT_EQ(controller.phase(), Phase::idle);
        EXPECT_TRUE(controller.overlayViews().isEmpty());
        EXPECT_FALSE(controller.hintBar());
        EXPECT_FALSE(input.held);
        EXPECT_TRUE(lumetraWindow.isVisible());
    }

    InMemoryPasteboard pasteboard;
    RecordingAlerts alerts;
    FakeDisplaySource display;
    ManualCaptureClock clock;
    FakeScrolledPage app;
    FakeInputGrab input;
    QWidget lumetraWindow;
    ScrollingCaptureController controller{clock};
};

