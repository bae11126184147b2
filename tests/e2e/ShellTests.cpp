// The application shell on a desktop with a window manager and a tray: starting into
// the tray, the global area hot key, one running copy, and Quit from the tray menu.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QThread>

namespace {

// The editor window; with a document open its title names the document too.
const QString kMainWindow = QStringLiteral("^Lumetra( - .+)?$");
const QString kStatusItem = QStringLiteral("^Lumetra Status Item$");
const QString kOverlay = QStringLiteral("^Lumetra Selection$");

class ShellTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true, .tray = true}; }

    // The area hot key, held as a person holds a key: the overlay takes the keyboard
    // before the release. Escape then cancels.
    void pressAreaKeyAndCancel()
    {
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+shift+7")}).ok());
        QThread::msleep(80);
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+shift+7")}).ok());
        ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000));
        ASSERT_TRUE(desktop().key(QStringLiteral("Escape")));
        ASSERT_TRUE(desktop().waitForWindowGone(kOverlay));
    }
};

} // namespace

TEST_F(ShellTest, StartsIntoTheTrayCapturesFromAnotherWindowByHotKeyAndQuitsFromTheTrayMenu)
{
    ASSERT_TRUE(desktop().writeSettings("[General]\nopenWindowAtLaunch=false\n"));
    const QImage pattern = e2e::patternImage(QSize(400, 300));
    const auto patternWindow = desktop().showImage(QStringLiteral("ShellPattern"), pattern);
    ASSERT_TRUE(patternWindow.has_value());

    const auto icon = desktop().startLumetraAndWaitFor(kStatusItem);
    ASSERT_TRUE(icon.has_value());
    // The icon is Lumetra's and small, embedded in the tray; no editor window opened.
    EXPECT_EQ(desktop().xdotool({QStringLiteral("getwindowpid"), *icon}).text().toLongLong(), desktop().lumetraPid());
    const auto iconGeometry = desktop().windowGeometry(*icon);
    ASSERT_TRUE(iconGeometry.has_value());
    EXPECT_LE(iconGeometry->width(), 64);
    EXPECT_LE(iconGeometry->y(), 24);
    QThread::msleep(500);
    EXPECT_TRUE(desktop().findWindows(kMainWindow).isEmpty());

    // The key goes to the focused pattern window; Lumetra's grab takes it.
    ASSERT_TRUE(desktop().activate(*patternWindow));
    const std::optional<QPoint> origin = desktop().waitForOnScreen(pattern);
    ASSERT_TRUE(origin.has_value()) << "the pattern window never showed the pattern";
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+shift+7")));
    ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000));
    ASSERT_TRUE(desktop().dragPointer(*origin + QPoint(50, 50), *origin + QPoint(290, 210), 2));
    const QImage expected = pattern.copy(50, 50, 240, 160);
    EXPECT_TRUE(e2e::samePixels(
        desktop().waitForClipboardImage([&](const QImage& clip) { return e2e::samePixels(clip, expected); }), expected));

    // The delivery brings the editor forward.
    const auto editor = desktop().waitForWindow(kMainWindow, 10000);
    ASSERT_TRUE(editor.has_value());
    EXPECT_TRUE(waitUntil([&] { return desktop().activeWindow() == editor; }, 10000)) << "the editor is not in front";

    // The status menu's last item is Quit.
    ASSERT_TRUE(desktop().openTrayMenu());
    ASSERT_TRUE(desktop().key(QStringLiteral("Up Return")));
    EXPECT_EQ(desktop().waitForLumetraExit(15000), 0);
}

TEST_F(ShellTest, ASecondLaunchOpensItsFileInTheFirstCopyAndExits)
{
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kStatusItem));
    ASSERT_TRUE(desktop().waitForWindow(kMainWindow, 20000).has_value());

    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(QColor(0x12, 0xab, 0x34));
    const QString file = QDir(desktop().workDir()).filePath(QStringLiteral("handed over.png"));
    ASSERT_TRUE(image.save(file));

    QElapsedTimer timer;
    timer.start();
    const CommandResult second = desktop().run(QStringLiteral(LUMETRA_BINARY), {file}, 20000);
    EXPECT_TRUE(second.ok()) << second.describe().toStdString();
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(desktop().lumetraRunning());

    // Still one editor window, now showing the image.
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra - handed over\\.png$"), 10000).has_value());
    const QStringList windows = desktop().findWindows(kMainWindow);
    ASSERT_EQ(windows.size(), 1);
    const auto isGreen = [](const QColor& c) { return c.rgb() == qRgb(0x12, 0xab, 0x34); };
    const auto green = [&](const QImage& shot) { return e2e::countPixels(shot, shot.rect(), isGreen); };
    EXPECT_GE(green(desktop().waitForScreenshot(windows.first(), [&](const QImage& s) { return green(s) >= 320 * 100; })),
              320 * 100)
        << "the handed-over image is not on screen";

    // Files that cannot be opened, handed over one after another: one alert at a time.
    const QString alert = QStringLiteral("^Could Not Open Image$");
    for (const QString& broken : {QStringLiteral("broken-1.png"), QStringLiteral("broken-2.png"), QStringLiteral("broken-3.png")}) {
        const QString path = QDir(desktop().workDir()).filePath(broken);
        QFile text(path);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("not an image\n") > 0);
        text.close();
        EXPECT_TRUE(desktop().run(QStringLiteral(LUMETRA_BINARY), {path}, 20000).ok());
        EXPECT_TRUE(desktop().waitForWindow(alert, 10000));
        QThread::msleep(700);
    }
    EXPECT_EQ(desktop().findWindows(alert).size(), 1);
    // The one alert has the keys: Tab moves within it, Return answers it.
    const auto shown = desktop().findWindows(alert);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(waitUntil([&] { return desktop().activeWindow() == shown.first(); }, 5000)) << "the alert is not in front";
    ASSERT_TRUE(desktop().key(QStringLiteral("Tab")));
    ASSERT_TRUE(desktop().key(QStringLiteral("Return")));
    EXPECT_TRUE(desktop().waitForWindowGone(alert, 5000)) << "Return did not answer the alert";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ShellTest, EveryHotKeyPressOpensTheOverlayAlsoAfterTheEditorClosed)
{
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kStatusItem));
    const auto window = desktop().waitForWindow(kMainWindow, 20000);
    ASSERT_TRUE(window.has_value());
    // With the editor itself focused, the hot key starts a capture too.
    ASSERT_TRUE(desktop().activate(*window));
    ASSERT_NO_FATAL_FAILURE(pressAreaKeyAndCancel());
    const auto restored = desktop().waitForWindow(kMainWindow, 10000);
    ASSERT_TRUE(restored.has_value());

    // Closed the way a user closes it, through the window manager: the tray and the
    // hot key stay, for every press.
    ASSERT_TRUE(desktop().activate(*restored));
    ASSERT_TRUE(desktop().key(QStringLiteral("alt+F4")));
    ASSERT_TRUE(desktop().waitForWindowGone(kMainWindow, 10000));
    QThread::msleep(300);
    EXPECT_TRUE(desktop().lumetraRunning());
    EXPECT_FALSE(desktop().findWindows(kStatusItem).isEmpty());
    for (int press = 0; press < 3; ++press) {
        SCOPED_TRACE(press);
        ASSERT_NO_FATAL_FAILURE(pressAreaKeyAndCancel());
    }
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

class ShellWithoutTrayTest : public ShellTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

TEST_F(ShellWithoutTrayTest, ShowsTheEditorWindowWhenThereIsNoTrayAndAnInterruptQuitsCleanly)
{
    // Even with the window turned off at launch: without a tray it is the only way in.
    ASSERT_TRUE(desktop().writeSettings("[General]\nopenWindowAtLaunch=false\n"));
    EXPECT_TRUE(desktop().startLumetraAndWaitFor(kMainWindow));
    EXPECT_TRUE(desktop().findWindows(kStatusItem).isEmpty());
    EXPECT_EQ(desktop().stopLumetra(SIGINT), 0);
}
