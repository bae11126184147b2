// Waiting for drawing to stop, on a private Xvfb: the screen after Lumetra's windows
// went, and one window read through Composite while its frame or its client draws.
#include "Platform/X11RepaintWatch.h"
#include "Platform/X11WindowImage.h"
#include "X11TestServer.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

xcb_window_t makeWindow(XcbConnection& x, xcb_window_t parent, QRect rect, std::uint32_t rgb)
{
    xcb_connection_t* c = x.connection();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {rgb, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, parent, std::int16_t(rect.x()), std::int16_t(rect.y()),
                      std::uint16_t(rect.width()), std::uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      x.screen()->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    x.sync();
    return window;
}

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Fills a corner of `window` every 5 ms from a connection of its own until `count`
// drawings are done; `done` is set after the last one reached the server. A drawing is
// under way once the constructor returns: starting a thread and connecting may take
// longer than any quiet time on a busy machine.
class Painter {
public:
    Painter(const QString& display, xcb_window_t window, int count, std::uint32_t rgb = 0x00ff00)
        : m_thread([this, display, window, count, rgb] {
            const std::unique_ptr<XcbConnection> x = XcbConnection::open(display);
            xcb_connection_t* c = x->connection();
            const xcb_gcontext_t gc = xcb_generate_id(c);
            xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &rgb);
            for (int i = 0; i < count; ++i) {
                const xcb_rectangle_t corner{0, 0, 4, 4};
                const qint64 sent = nowMs();
                xcb_poly_fill_rectangle(c, window, gc, 1, &corner);
                x->sync();
                {
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    m_drawings.push_back({sent, nowMs()});
                }
                started = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            started = true;
            done = true;
        })
    {
        while (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Painter() { m_thread.join(); }
    std::atomic<bool> started{false};
    std::atomic<bool> done{false};

    // The longest time before `untilMs` in which the server may have had no drawing from
    // this client: a loaded machine can hold the painting thread up for longer than the
    // quiet time, and then the client did stop drawing as far as anybody can tell.
    qint64 longestPauseBefore(qint64 untilMs)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        qint64 longest = 0;
        for (std::size_t i = 0; i < m_drawings.size() && m_drawings[i].sent < untilMs; ++i) {
            const bool nextBefore = i + 1 < m_drawings.size() && m_drawings[i + 1].sent < untilMs;
            longest = std::max(longest, (nextBefore ? m_drawings[i + 1].reached : untilMs) - m_drawings[i].sent);
        }
        return longest;
    }

private:
    struct Drawing {
        qint64 sent;
        qint64 reached;
    };
    std::mutex m_mutex;
    std::vector<Drawing> m_drawings;
    std::thread m_thread;
};

// Reads `window` with `read` while its client draws, again where the painting thread was
// held up for the quiet time (such a capture says nothing either way). Each attempt draws
// in a colour of its own, handed to `read`, so a corner left from an earlier attempt is not
// taken for this one's.
template <typename Read>
void readWhileDrawing(const QString& display, xcb_window_t window, int quietMs, const Read& read)
{
    constexpr int attempts = 5;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const std::uint32_t colour = 0x00ff00 | std::uint32_t(attempt * 0x30);
        Painter content(display, window, 60, colour);
        if (content.done)
            continue;
        read(colour);
        const qint64 readAt = nowMs();
        if (content.done)
            return;
        const qint64 pause = content.longestPauseBefore(readAt);
        if (pause < quietMs) {
            ADD_FAILURE() << "read while the client was still drawing; its longest pause was " << pause << " ms";
            return;
        }
    }
    ADD_FAILURE() << "the painting thread was held up for the quiet time in all " << attempts << " attempts";
}

class X11Repaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.connection())
            GTEST_SKIP() << "Xvfb could not be started";
        m_display = qgetenv("DISPLAY");
        qputenv("DISPLAY", server.display().toLocal8Bit());
    }
    void TearDown() override { qputenv("DISPLAY", m_display); }
    X11TestServer server;

private:
    QByteArray m_display;
};

} // namespace

TEST_F(X11Repaint, TheScreenCountsAsSettledOnceItsDrawingStopsAndNotBefore)
{
    XcbConnection& x = *server.connection();
    const xcb_window_t window = makeWindow(x, x.root(), QRect(100, 100, 300, 200), 0x3366cc);
    // A quiet time of 100 ms against drawings 5 ms apart. A loaded machine may still hold
    // the painting thread up for that long; then the drawing did stop, and the attempt is
    // made again.
    constexpr int quietMs = 100;
    X11RepaintWatch watch(quietMs);
    ASSERT_TRUE(watch.available());
    constexpr int capMs = 20000;
    constexpr int attempts = 5;
    for (const int drawings : {60, 0}) {
        int attempt = 0;
        for (; attempt < attempts; ++attempt) {
            Painter painter(server.display(), window, drawings);
            if (drawings > 0 && painter.done)
                continue;
            bool settled = false;
            bool paintingDoneThen = false;
            qint64 settledAt = 0;
            QElapsedTimer waited;
            waited.start();
            watch.wait(nullptr, capMs, [&] {
                settled = true;
                paintingDoneThen = painter.done;
                settledAt = nowMs();
            });
            EXPECT_FALSE(settled) << "never before the caller's turn has ended";
            ASSERT_TRUE(QTest::qWaitFor([&] { return settled; }, capMs + 1000));
            EXPECT_LT(waited.elapsed(), capMs / 2) << "a quiet screen ends the wait, not its longest time";
            if (paintingDoneThen)
                break;
            const qint64 pause = painter.longestPauseBefore(settledAt);
            if (pause < quietMs) {
                ADD_FAILURE() << "settled while " << drawings << " drawings went on; their longest pause was "
                              << pause << " ms";
                break;
            }
        }
        EXPECT_LT(attempt, attempts) << "the painting thread was held up for the quiet time in every attempt";
    }
}

TEST_F(X11Repaint, AWindowIsReadOnceItsClientStopsDrawingWhateverItsFrameDoesLater)
{
    XcbConnection& x = *server.connection();
    // A frame as a window manager makes it, the client inside below a title strip.
    const xcb_window_t frame = makeWindow(x, x.root(), QRect(200, 150, 320, 240), 0x444444);
    const xcb_window_t client = makeWindow(x, frame, QRect(0, 40, 320, 200), 0xeeeeee);
    // Covered, so the redirect makes both draw again.
    makeWindow(x, x.root(), QRect(0, 0, 800, 600), 0x000000);
    constexpr int quietMs = 100;
    X11WindowImageSource source(quietMs, 20000);
    source.prepare(client);
    ASSERT_TRUE(source.redirectedForGrab());
    // A first capture waits until the first drawing after the redirect is over.
    ASSERT_FALSE(source.capture(client, false).error);

    {
        Painter frameTitle(server.display(), frame, 200); // about a second of drawing
        QTest::qWait(30);
        EXPECT_FALSE(source.capture(client, false).error);
        EXPECT_FALSE(frameTitle.done) << "the frame's redraw held the capture up";
    }
    readWhileDrawing(server.display(), client, quietMs, [&](std::uint32_t colour) {
        const WindowImage image = source.capture(client, false);
        ASSERT_FALSE(image.error);
        EXPECT_EQ(image.image.size(), QSize(320, 240));
        EXPECT_EQ(image.image.pixel(2, 42) & 0xffffff, colour) << "the client's drawing is in";
        EXPECT_EQ(QColor(image.image.pixel(100, 100)), QColor(0xee, 0xee, 0xee));
    });
    source.release();

    // Without a window manager the window is its own frame: all its drawing counts.
    const xcb_window_t alone = makeWindow(x, x.root(), QRect(600, 150, 200, 100), 0xeeeeee);
    makeWindow(x, x.root(), QRect(550, 100, 400, 300), 0x000000);
    source.prepare(alone);
    ASSERT_FALSE(source.capture(alone, false).error);
    SCOPED_TRACE("a window without a frame");
    readWhileDrawing(server.display(), alone, quietMs,
                     [&](std::uint32_t) { EXPECT_FALSE(source.capture(alone, false).error); });
    source.release();
}
