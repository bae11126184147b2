#include "Platform/DisplayMonitor.h"
#include "Platform/ScreenGrabber.h"
#include "Platform/X11Activation.h"
#include "Platform/X11Session.h"
#include "Platform/X11WindowList.h"
#include "X11TestServer.h"

#include <QColor>
#include <QThread>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstring>
#include <unistd.h>

namespace {

// Maps a window filled with one colour and waits until the server has drawn it.
xcb_window_t mapColouredWindow(XcbConnection& x, QRect rect, std::uint32_t rgb)
{
    xcb_connection_t* c = x.connection();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {rgb, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), std::int16_t(rect.x()), std::int16_t(rect.y()),
                      std::uint16_t(rect.width()), std::uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      x.screen()->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    x.sync();
    return window;
}

void setCardinal(XcbConnection& x, xcb_window_t window, const char* property, std::uint32_t value)
{
    xcb_change_property(x.connection(), XCB_PROP_MODE_REPLACE, window, x.atom(property), XCB_ATOM_CARDINAL, 32, 1,
                        &value);
}

} // namespace

TEST(DisplayNumber, IsAStableHashOfTheOutputName)
{
    // FNV-1a of the UTF-8 name: repeatable across runs and distinct for usual names.
    EXPECT_EQ(displayNumberForOutputName(QString()), 2166136261u);
    EXPECT_EQ(displayNumberForOutputName(QStringLiteral("a")), 0xE40C292Cu);
    EXPECT_NE(displayNumberForOutputName(QStringLiteral("HDMI-1")), displayNumberForOutputName(QStringLiteral("HDMI-2")));
    EXPECT_NE(displayNumberForOutputName(QStringLiteral("DP-1")), displayNumberForOutputName(QStringLiteral("eDP-1")));
}

TEST(X11Connection, IsUnavailableWhenTheApplicationDoesNotRunOnX11AndSoAreCandidateWindows)
{
    // Unit tests run on the offscreen platform.
    EXPECT_EQ(XcbConnection::application(), nullptr);
    EXPECT_TRUE(enumerateCandidateWindows().isEmpty());
}

class X11Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.connection())
            GTEST_SKIP() << "Xvfb could not be started";
    }
    X11TestServer server;
};

TEST_F(X11Desktop, MonitorsCoverTheScreenAndGrabsReadWhatIsShown)
{
    XcbConnection& x = *server.connection();
    const QList<DisplayMonitor> monitors = readDisplayMonitors(x);
    ASSERT_EQ(monitors.size(), 1);
    EXPECT_EQ(monitors[0].pixelFrame, QRect(0, 0, 1920, 1080));
    EXPECT_EQ(monitors[0].displayNumber, displayNumberForOutputName(monitors[0].name));

    mapColouredWindow(x, QRect(100, 50, 200, 100), 0x3366CC);
    mapColouredWindow(x, QRect(250, 120, 40, 40), 0xFF8800);

    XcbScreenGrabber grabber(x);
    const QImage grab = grabber.grab(QRect(90, 40, 300, 200));
    ASSERT_FALSE(grab.isNull());
    EXPECT_EQ(grab.size(), QSize(300, 200));
    EXPECT_TRUE(grabber.lastGrabUsedShm());
    EXPECT_EQ(grab.pixel(10, 10), 0xFF3366CCu);   // first window's corner at (100, 50)
    EXPECT_EQ(grab.pixel(9, 9), grab.pixel(0, 0)); // outside: the root's background
    EXPECT_NE(grab.pixel(9, 9), 0xFF3366CCu);
    EXPECT_EQ(grab.pixel(160, 80), 0xFF8800u | 0xFF000000u);
    EXPECT_EQ(grab.pixel(209, 109), 0xFF3366CCu);
    for (int y = 0; y < grab.height(); y += 17)
        for (int x2 = 0; x2 < grab.width(); x2 += 13)
            ASSERT_EQ(qAlpha(grab.pixel(x2, y)), 255);

    // A second, smaller grab reuses the segment and is just as exact.
    const QImage small = grabber.grab(QRect(100, 50, 1, 1));
    ASSERT_EQ(small.size(), QSize(1, 1));
    EXPECT_EQ(small.pixel(0, 0), 0xFF3366CCu);

    EXPECT_TRUE(grabber.grab(QRect()).isNull());

    // Plain GetImage reads the same pixels as shared memory.
    XcbScreenGrabber plain(x, false);
    EXPECT_EQ(plain.grab(QRect(90, 40, 300, 200)), grab);
    EXPECT_FALSE(plain.lastGrabUsedShm());
}

TEST_F(X11Desktop, CursorImageIsCompositedAtThePointer)
{
    XcbConnection& x = *server.connection();
    xcb_warp_pointer(x.connection(), XCB_WINDOW_NONE, x.root(), 0, 0, 0, 0, 400, 300);
    x.sync();
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QImage before = image.copy();
    ASSERT_TRUE(compositeCursor(x, image, QPoint(300, 200)));
    EXPECT_NE(image, before); // Xvfb's default cursor lands near (100, 100) of the image
    bool changedNearPointer = false;
    for (int y = 80; y < 130 && !changedNearPointer; ++y)
        for (int x2 = 80; x2 < 130; ++x2)
            changedNearPointer |= image.pixel(x2, y) != before.pixel(x2, y);
    EXPECT_TRUE(changedNearPointer);
}

TEST_F(X11Desktop, WithoutWindowManagerTheRootsChildrenAreListedTopFirst)
{
    XcbConnection& x = *server.connection();
    const xcb_window_t lower = mapColouredWindow(x, QRect(0, 0, 300, 200), 0x111111);
    const xcb_window_t upper = mapColouredWindow(x, QRect(50, 50, 300, 200), 0x222222);
    const char* title = "Pattern";
    xcb_change_property(x.connection(), XCB_PROP_MODE_REPLACE, upper, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        std::uint32_t(std::strlen(title)), title);
    const char wmClass[] = "pattern\0Pattern";
    xcb_change_property(x.connection(), XCB_PROP_MODE_REPLACE, upper, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    setCardinal(x, upper, "_NET_WM_PID", 4242);
    x.sync();

    const X11WindowSnapshot snapshot = readX11Windows(x);
    EXPECT_FALSE(snapshot.fromWindowManager);
    ASSERT_TRUE(snapshot.zOrder.contains(upper));
    ASSERT_TRUE(snapshot.zOrder.contains(lower));
    EXPECT_LT(snapshot.zOrder.value(upper), snapshot.zOrder.value(lower));

    const WindowRecord* record = nullptr;
    for (const auto& w : snapshot.windows)
        if (w.windowId == upper)
            record = &w;
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::tuple(record->title, record->ownerName, record->pid, record->isOnScreen, record->frame),
              std::tuple(std::optional(QStringLiteral("Pattern")), std::optional(QStringLiteral("Pattern")),
                         std::optional(4242LL), true, QRectF(50, 50, 300, 200)));

    EXPECT_EQ(X11Activation::windowPid(x, upper), 4242);
    EXPECT_TRUE(X11Activation::windowExists(x, upper));
    xcb_destroy_window(x.connection(), upper);
    x.sync();
    EXPECT_FALSE(X11Activation::windowExists(x, upper));
    // No window manager: nothing is active and there is no compositor until one owns
    // its selection.
    EXPECT_EQ(X11Activation::activeWindow(x), xcb_window_t(XCB_WINDOW_NONE));
    EXPECT_FALSE(X11Session::compositorRunning(x));
    xcb_set_selection_owner(x.connection(), lower, x.atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    x.sync();
    EXPECT_TRUE(X11Session::compositorRunning(x));
}

TEST_F(X11Desktop, ActivationIsHandedToAWindowThroughTheWindowManager)
{
    XcbConnection& x = *server.connection();
    QProcess openbox;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), server.display());
    openbox.setProcessEnvironment(env);
    openbox.setProgram(QStringLiteral("openbox"));
    openbox.setArguments({QStringLiteral("--sm-disable")});
    openbox.start();
    if (!openbox.waitForStarted(3000))
        GTEST_SKIP() << "openbox is not available";
    bool managed = false;
    for (int i = 0; i < 100 && !managed; ++i) {
        QThread::msleep(50);
        // openbox announces itself on the root once it has taken over.
        xcb_connection_t* c = x.connection();
        if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
                c, xcb_get_property(c, 0, x.root(), x.atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1), nullptr)) {
            managed = xcb_get_property_value_length(reply) == 4;
            std::free(reply);
        }
    }
    ASSERT_TRUE(managed) << "openbox did not take over";

    auto managedWindow = [&](const char* title) {
        xcb_connection_t* c = x.connection();
        const xcb_window_t window = xcb_generate_id(c);
        const std::uint32_t values[] = {0x808080};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, x.root(), 100, 100, 300, 200, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, x.screen()->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            std::uint32_t(std::strlen(title)), title);
        // Mapped until openbox frames it: one that has just started may lose a map request.
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (attempt % 10 == 0) {
                xcb_unmap_window(c, window);
                xcb_map_window(c, window);
            }
            x.sync();
            xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
            const bool framed = tree && tree->parent != x.root();
            std::free(tree);
            if (framed)
                break;
            QThread::msleep(50);
        }
        return window;
    };
    const xcb_window_t first = managedWindow("First");
    const xcb_window_t second = managedWindow("Second");
    for (int i = 0; i < 60 && X11Activation::activeWindow(x) != second; ++i)
        QThread::msleep(50);

    X11Activation::activate(x, first);
    bool handedBack = false;
    for (int i = 0; i < 60 && !handedBack; ++i) {
        QThread::msleep(50);
        handedBack = X11Activation::activeWindow(x) == first;
    }
    EXPECT_TRUE(handedBack);

    // With a window manager the list comes from its client list, in stacking order.
    const X11WindowSnapshot snapshot = readX11Windows(x);
    EXPECT_TRUE(snapshot.fromWindowManager);
    EXPECT_TRUE(snapshot.zOrder.contains(first));
    EXPECT_TRUE(snapshot.zOrder.contains(second));

    openbox.terminate();
    openbox.waitForFinished(3000);
}
