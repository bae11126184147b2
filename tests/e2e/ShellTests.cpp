// The application shell on a desktop with a window manager and a tray: starting into
// the tray, the global area hot key, one running copy, and Quit from the tray menu.
#include "E2eImageProbes.h"
#include "XvfbDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QThread>

#include <optional>

namespace {

// The editor window; with a document open its title names the document too.
const QString kMainWindow = QStringLiteral("^Lumetra( - .+)?$");
const QString kStatusItem = QStringLiteral("^Lumetra Status Item$");
const QString kOverlay = QStringLiteral("^Lumetra Selection$");
const QString kPatternTitle = QStringLiteral("ShellPattern");
const QSize kPatternSize(400, 300);

QImage patternImage() { return e2e::patternImage(kPatternSize); }

using e2e::locate;
using e2e::samePixels;

class ShellTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true, .tray = true}; }

    void writeSettings(const QByteArray& ini)
    {
        QFile file(QDir(desktop().configDir()).filePath(QStringLiteral("Lumetra.conf")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }

    QString log() { return desktop().lumetraOutput() + desktop().lumetraErrors(); }

    // Screenshots for a person to look at: kept where LUMETRA_E2E_SCREENSHOT_DIR says,
    // else in the desktop's scratch folder (gone with it).
    void saveShot(const QString& name)
    {
        const QString folder = qEnvironmentVariable("LUMETRA_E2E_SCREENSHOT_DIR", desktop().workDir());
        QDir().mkpath(folder);
        desktop().screenshot().save(QDir(folder).filePath(name));
    }

    // Starts Lumetra and waits for its status item to sit in the tray.
    std::optional<QString> startIntoTray(const QStringList& arguments = {})
    {
        if (!desktop().startLumetra(arguments))
            return std::nullopt;
        return desktop().waitForWindow(kStatusItem, 30000);
    }
};

} // namespace

TEST_F(ShellTest, StartsIntoTheTrayAndQuitsFromTheTrayMenu)
{
    writeSettings("[General]\nopenWindowAtLaunch=false\n");
    const auto icon = startIntoTray();
    ASSERT_TRUE(icon.has_value()) << log().toStdString();
    // The icon is Lumetra's and small, embedded in the tray; no editor window opened.
    EXPECT_EQ(desktop().xdotool({QStringLiteral("getwindowpid"), *icon}).text().toLongLong(), desktop().lumetraPid());
    const auto iconGeometry = desktop().windowGeometry(*icon);
    ASSERT_TRUE(iconGeometry.has_value());
    EXPECT_LE(iconGeometry->width(), 64);
    EXPECT_LE(iconGeometry->y(), 24);
    QThread::msleep(500);
    EXPECT_TRUE(desktop().findWindows(kMainWindow).isEmpty());

    // A click opens the status menu; the last item is Quit.
    const QPoint centre = iconGeometry->topLeft() + QPoint(iconGeometry->width() / 2, iconGeometry->height() / 2);
    ASSERT_TRUE(desktop()
                    .xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
                              QStringLiteral("click"), QStringLiteral("1")})
                    .ok());
    QThread::msleep(700);
    saveShot(QStringLiteral("tray-menu.png"));
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Up")}).ok());
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Return")}).ok());
    EXPECT_EQ(desktop().waitForLumetraExit(15000), 0) << log().toStdString();
}

TEST_F(ShellTest, ASecondLaunchOpensItsFileInTheFirstCopyAndExits)
{
    ASSERT_TRUE(startIntoTray().has_value()) << log().toStdString();
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
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra - handed over\\.png$"), 10000).has_value())
        << log().toStdString();
    const QStringList windows = desktop().findWindows(kMainWindow);
    ASSERT_EQ(windows.size(), 1);
    int green = 0;
    for (int attempt = 0; attempt < 50 && green < 320 * 200 / 2; ++attempt) {
        QThread::msleep(100);
        const QImage shot = desktop().screenshotWindow(windows.first());
        green = e2e::countOfColour(shot, shot.rect(), qRgb(0x12, 0xab, 0x34));
    }
    saveShot(QStringLiteral("handed-over.png"));
    EXPECT_GE(green, 320 * 200 / 2) << "the handed-over image is not on screen";

    // An unsupported file is refused by the running copy, which keeps its image; the
    // second launch still ends.
    const QString text = QDir(desktop().workDir()).filePath(QStringLiteral("notes.txt"));
    QFile(text).open(QIODevice::WriteOnly);
    EXPECT_TRUE(desktop().run(QStringLiteral(LUMETRA_BINARY), {text}, 20000).ok());
    QThread::msleep(500);
    EXPECT_TRUE(desktop().lumetraRunning());
    EXPECT_EQ(desktop().findWindows(QStringLiteral("^Lumetra - handed over\\.png$")), windows);
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ShellTest, TheAreaHotKeyFromAnotherWindowCapturesIntoTheClipboardAndTheEditor)
{
    writeSettings("[General]\nopenWindowAtLaunch=false\n");
    const auto patternWindow = desktop().showImage(kPatternTitle, patternImage());
    ASSERT_TRUE(patternWindow.has_value());

    ASSERT_TRUE(startIntoTray().has_value()) << log().toStdString();
    ASSERT_TRUE(desktop().activate(*patternWindow));
    std::optional<QPoint> origin;
    for (int attempt = 0; attempt < 50 && !origin; ++attempt) {
        QThread::msleep(100);
        origin = locate(desktop().screenshot(), patternImage());
    }
    ASSERT_TRUE(origin.has_value()) << "the pattern window never showed the pattern";

    // The key goes to the focused pattern window; Lumetra's grab takes it.
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}).ok());
    ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000).has_value()) << log().toStdString();

    const QPoint from = *origin + QPoint(50, 50);
    const QPoint to = *origin + QPoint(290, 210);
    const auto n = [](int v) { return QString::number(v); };
    ASSERT_TRUE(desktop()
                    .xdotool({QStringLiteral("mousemove"), n(from.x()), n(from.y()), QStringLiteral("mousedown"),
                              QStringLiteral("1"), QStringLiteral("mousemove"), n((from.x() + to.x()) / 2),
                              n((from.y() + to.y()) / 2), QStringLiteral("mousemove"), n(to.x()), n(to.y()),
                              QStringLiteral("mouseup"), QStringLiteral("1")})
                    .ok());
    const QImage expected = patternImage().copy(50, 50, 240, 160);
    QImage clip;
    for (int attempt = 0; attempt < 100 && clip.isNull(); ++attempt) {
        QThread::msleep(100);
        clip = desktop().clipboardImage();
    }
    ASSERT_FALSE(clip.isNull()) << "no PNG on the clipboard\n" << log().toStdString();
    EXPECT_TRUE(samePixels(clip, expected)) << clip.width() << "x" << clip.height();

    // The delivery brings the editor forward with the capture in it.
    const auto editor = desktop().waitForWindow(kMainWindow, 10000);
    ASSERT_TRUE(editor.has_value());
    QElapsedTimer activation;
    activation.start();
    while (desktop().activeWindow() != editor && activation.elapsed() < 10000)
        QThread::msleep(100);
    EXPECT_EQ(desktop().activeWindow(), editor) << log().toStdString();
    // The editor fits the capture to its window, so look for its colours rather than
    // its exact pixels: a 240x160 capture shown at any zoom of at least 1 covers that
    // many pixels of the window with colours of the capture.
    QSet<QRgb> captureColours;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            captureColours.insert(expected.pixel(x, y) & 0xffffff);
    int covered = 0;
    for (int attempt = 0; attempt < 50 && covered < 240 * 160; ++attempt) {
        QThread::msleep(100);
        const QImage shot = desktop().screenshotWindow(*editor).convertToFormat(QImage::Format_RGB32);
        covered = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                covered += captureColours.contains(shot.pixel(x, y) & 0xffffff);
    }
    EXPECT_GE(covered, 240 * 160) << "the capture is not shown in the editor window";
    saveShot(QStringLiteral("capture-in-editor.png"));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ShellTest, ClosingTheEditorWindowKeepsTheTrayAndTheHotKeys)
{
    ASSERT_TRUE(startIntoTray().has_value()) << log().toStdString();
    const auto window = desktop().waitForWindow(kMainWindow, 20000);
    ASSERT_TRUE(window.has_value());
    ASSERT_TRUE(desktop().activate(*window));

    // With the editor itself focused, the hot key still starts a capture.
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}).ok());
    EXPECT_TRUE(desktop().waitForWindow(kOverlay, 20000).has_value()) << log().toStdString();
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).ok());
    ASSERT_TRUE(desktop().waitForWindowGone(kOverlay));
    const auto restored = desktop().waitForWindow(kMainWindow, 10000);
    ASSERT_TRUE(restored.has_value());

    // Closed the way a user closes it: through the window manager.
    ASSERT_TRUE(desktop().activate(*restored));
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")}).ok());
    ASSERT_TRUE(desktop().waitForWindowGone(kMainWindow, 10000));
    QThread::msleep(300);
    EXPECT_TRUE(desktop().lumetraRunning());
    EXPECT_FALSE(desktop().findWindows(kStatusItem).isEmpty());

    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}).ok());
    EXPECT_TRUE(desktop().waitForWindow(kOverlay, 20000).has_value()) << log().toStdString();
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).ok());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ShellTest, EveryHeldHotKeyPressAndACaptureOptionOfALaterLaunchOpenTheOverlay)
{
    writeSettings("[General]\nopenWindowAtLaunch=false\n");
    ASSERT_TRUE(startIntoTray().has_value()) << log().toStdString();
    const QString overlay = QStringLiteral("^Lumetra Selection$");
    // Held as a person holds a key: the overlay takes the keyboard before the release.
    for (int press = 0; press < 3; ++press) {
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl+shift+7")}).ok());
        QThread::msleep(80);
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl+shift+7")}).ok());
        ASSERT_TRUE(desktop().waitForWindow(overlay, 20000).has_value()) << "press " << press << "\n" << log().toStdString();
        ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).ok());
        ASSERT_TRUE(desktop().waitForWindowGone(overlay, 10000));
    }

    // A desktop shortcut bound to the command: the running copy starts the capture.
    const CommandResult second = desktop().run(QStringLiteral(LUMETRA_BINARY), {QStringLiteral("--capture-area")}, 20000);
    EXPECT_TRUE(second.ok()) << second.describe().toStdString();
    EXPECT_TRUE(desktop().waitForWindow(overlay, 20000).has_value()) << log().toStdString();
    EXPECT_TRUE(desktop().findWindows(kMainWindow).isEmpty());
    ASSERT_TRUE(desktop().xdotool({QStringLiteral("key"), QStringLiteral("Escape")}).ok());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

class ShellWithoutTrayTest : public ShellTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

TEST_F(ShellWithoutTrayTest, ShowsTheEditorWindowWhenThereIsNoTray)
{
    // Even with the window turned off at launch: without a tray it is the only way in.
    writeSettings("[General]\nopenWindowAtLaunch=false\n");
    ASSERT_TRUE(desktop().startLumetra());
    EXPECT_TRUE(desktop().waitForWindow(kMainWindow, 30000).has_value()) << log().toStdString();
    EXPECT_TRUE(desktop().findWindows(kStatusItem).isEmpty());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
