// Waiting for drawing to stop, on a private Xvfb: the screen after Lumetra's windows
// went, and one window read through Composite while its frame or its client draws.
#include "Platform/X11RepaintWatch.h"
#include "Platform/X11WindowImage.h"
#include "X11TestServer.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

// Fills a corner of `window` every 5 ms from a connection of its own until `count`
// drawings are done; `done` is set after the last one reached the server.
class Painter {
public:
    Painter(const QString& display, xcb_window_t window, int count)
        : m_thread([this, display, window, count] {
            const std::unique_ptr<XcbConnection> x = XcbConnection::open(display);
            xcb_connection_t* c = x->connection();
            const xcb_gcontext_t gc = xcb_generate_id(c);
            const std::uint32_t colour = 0x00ff00;
            xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &colour);
            for (int i = 0; i < count; ++i) {
                const xcb_rectangle_t corner{0, 0, 4, 4};
                xcb_poly_fill_rectangle(c, window, gc, 1, &corner);
                x->sync();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            done = true;
        })
    {
    }
    ~Painter() { m_thread.join(); }
    std::atomic<bool> done{false};

private:
    std::thread m_thread;
};

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
    // A quiet time of 100 ms against drawings 5 ms apart: a busy machine may delay one,
    // not twenty of them.
    X11RepaintWatch watch(100);
    ASSERT_TRUE(watch.available());
    constexpr int capMs = 20000;
    for (const int drawings : {60, 0}) {
        Painter painter(server.display(), window, drawings);
        bool settled = false;
        bool paintingDoneThen = false;
        QElapsedTimer waited;
        waited.start();
        watch.wait(nullptr, capMs, [&] {
            settled = true;
            paintingDoneThen = painter.done;
        });
        EXPECT_FALSE(settled) << "never before the caller's turn has ended";
        ASSERT_TRUE(QTest::qWaitFor([&] { return settled; }, capMs + 1000));
        EXPECT_TRUE(paintingDoneThen) << drawings << " drawings";
        EXPECT_LT(waited.elapsed(), capMs / 2) << "a quiet screen ends the wait, not its longest time";
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
    X11WindowImageSource source(100, 20000);
    source.prepare(client);
    ASSERT_TRUE(source.redirectedForGrab());
    QTest::qWait(400); // the first drawing after the redirect is over

    {
        Painter frameTitle(server.display(), frame, 200); // about a second of drawing
        QTest::qWait(30);
        EXPECT_FALSE(source.capture(client, false).error);
        EXPECT_FALSE(frameTitle.done) << "the frame's redraw held the capture up";
    }
    {
        Painter content(server.display(), client, 60);
        QTest::qWait(30);
        const WindowImage image = source.capture(client, false);
        EXPECT_TRUE(content.done) << "the capture did not wait for the client's drawing";
        ASSERT_FALSE(image.error);
        EXPECT_EQ(image.image.size(), QSize(320, 240));
        EXPECT_EQ(QColor(image.image.pixel(2, 42)), QColor(0, 255, 0)) << "the client's last drawing is in";
        EXPECT_EQ(QColor(image.image.pixel(100, 100)), QColor(0xee, 0xee, 0xee));
    }
    source.release();

    // Without a window manager the window is its own frame: all its drawing counts.
    const xcb_window_t alone = makeWindow(x, x.root(), QRect(600, 150, 200, 100), 0xeeeeee);
    makeWindow(x, x.root(), QRect(550, 100, 400, 300), 0x000000);
    source.prepare(alone);
    QTest::qWait(400);
    Painter content(server.display(), alone, 60);
    QTest::qWait(30);
    EXPECT_FALSE(source.capture(alone, false).error);
    EXPECT_TRUE(content.done) << "the capture did not wait for a frameless window's drawing";
    source.release();
}
