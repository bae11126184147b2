// The Settings window on a desktop with a window manager and a tray: opened from the
// tray menu and the editor's menu, a capture key recorded anew, a key another program
// holds, and the interface switched to German. Texts are read off the screen.
#include "E2eOcr.h"
#include "XvfbDesktop.h"

#include <QThread>

#include <utility>

namespace {

const QString kStatusItem = QStringLiteral("^Lumetra Status Item$");
const QString kOverlay = QStringLiteral("^Lumetra Selection$");

QString n(int value) { return QString::number(value); }

class SettingsWindowTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true, .tray = true}; }

    // Opens the tray menu and takes its picture (the menu drops from the top right).
    QImage trayMenuShot()
    {
        if (!desktop().openTrayMenu())
            return {};
        const QImage shot = desktop().screenshot();
        desktop().key(QStringLiteral("Escape"));
        return shot.copy(shot.width() - 700, 0, 700, 450);
    }

    // The window once it has stopped changing (scrolling, repainting).
    QImage settledShot(const QString& window)
    {
        QImage last = desktop().screenshotWindow(window);
        return desktop().waitForScreenshot(window, [&](const QImage& shot) { return std::exchange(last, shot) == shot; });
    }

    // Where the window shows the text, waiting a while for it; the last picture is kept
    // in the test's folder when it never shows.
    std::optional<QRect> findInWindow(const QString& window, const QString& text, QImage* seen = nullptr)
    {
        QImage shot;
        std::optional<QRect> box;
        if (waitUntil([&] { return (box = e2e::findText(shot = settledShot(window), text)).has_value(); }, 10000)) {
            if (seen)
                *seen = shot;
            return box;
        }
        desktop().saveImage(QStringLiteral("not-found-%1.png").arg(QString(text).remove(QLatin1Char(' '))), shot);
        return std::nullopt;
    }

    bool shows(const QString& window, const QString& text) { return findInWindow(window, text).has_value(); }

    // Clicks the text and waits for the window to answer.
    bool clickText(const QString& window, const QString& text)
    {
        QImage before;
        const std::optional<QRect> box = findInWindow(window, text, &before);
        // Relative to the window itself (a managed window's reported position is its frame's).
        if (!box
            || !desktop()
                    .xdotool({"mousemove", "--window", window, n(box->center().x()), n(box->center().y()), "click", "1"})
                    .ok())
            return false;
        desktop().waitForScreenshot(window, [&](const QImage& shot) { return shot != before; }, 5000);
        return true;
    }

    // Shows the end of the Shortcuts tab, where the capture keys are.
    void scrollToCaptureKeys(const QString& window)
    {
        const auto geometry = desktop().windowGeometry(window);
        ASSERT_TRUE(geometry.has_value());
        desktop().xdotool({"mousemove", n(geometry->center().x()), n(geometry->center().y())});
        for (int i = 0; i < 40; ++i)
            desktop().xdotool({"click", "5"});
    }
};

} // namespace

TEST_F(SettingsWindowTest, FromTheTrayARecordedAreaKeyReplacesTheOldOneAndGermanReachesWindowAndTray)
{
    ASSERT_TRUE(desktop().writeSettings("[General]\nopenWindowAtLaunch=false\nappLanguage=en\n"));
    desktop().startBackground(QStringLiteral("xmessage"), {QStringLiteral("-title"), QStringLiteral("OtherProgram"),
                                                           QStringLiteral("another program")});
    const auto other = desktop().waitForWindow(QStringLiteral("^OtherProgram$"), 20000);
    ASSERT_TRUE(other.has_value());
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kStatusItem));

    // Settings… sits fourth from the bottom of the tray menu.
    ASSERT_TRUE(desktop().openTrayMenu());
    ASSERT_TRUE(desktop().key(QStringLiteral("Up Up Up Up Return")));
    const auto window = desktop().waitForWindow(QStringLiteral("^Settings$"), 10000);
    ASSERT_TRUE(window.has_value());

    ASSERT_TRUE(clickText(*window, QStringLiteral("Shortcuts")));
    scrollToCaptureKeys(*window);
    ASSERT_TRUE(clickText(*window, QStringLiteral("Ctrl + Shift + 7")));
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+alt+5")));
    EXPECT_TRUE(shows(*window, QStringLiteral("Ctrl + Alt + 5")));

    // From another program's window: the new keys capture, the old ones no longer do.
    ASSERT_TRUE(desktop().activate(*other));
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+alt+5")));
    ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000).has_value());
    ASSERT_TRUE(desktop().key(QStringLiteral("Escape")));
    ASSERT_TRUE(desktop().waitForWindowGone(kOverlay));
    ASSERT_TRUE(desktop().activate(*other));
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+shift+7")));
    EXPECT_FALSE(desktop().waitForWindow(kOverlay, 2000).has_value());
    const QImage menu = trayMenuShot();
    EXPECT_TRUE(e2e::findText(menu, QStringLiteral("Ctrl + Alt + 5"))) << e2e::readText(menu).toStdString();
    EXPECT_FALSE(e2e::findText(menu, QStringLiteral("Ctrl + Shift + 7"))) << e2e::readText(menu).toStdString();

    // Deutsch from the General tab's language picker.
    const auto settings = desktop().waitForWindow(QStringLiteral("^Settings$"), 10000);
    ASSERT_TRUE(settings.has_value());
    ASSERT_TRUE(desktop().activate(*settings));
    ASSERT_TRUE(clickText(*settings, QStringLiteral("General")));
    ASSERT_TRUE(clickText(*settings, QStringLiteral("English")));
    QThread::msleep(500);
    ASSERT_TRUE(desktop().xdotool({"type", "Deu"}).ok());
    ASSERT_TRUE(desktop().key(QStringLiteral("Return")));
    const auto german = desktop().waitForWindow(QStringLiteral("^Einstellungen$"), 10000);
    if (!german)
        desktop().saveImage(QStringLiteral("no-german.png"), desktop().screenshot());
    ASSERT_TRUE(german.has_value());
    EXPECT_TRUE(shows(*german, QStringLiteral("Allgemein")));
    const QImage germanMenu = trayMenuShot();
    EXPECT_TRUE(e2e::findText(germanMenu, QStringLiteral("Einstellungen")))
        << e2e::readText(germanMenu).toStdString();
    EXPECT_TRUE(e2e::findText(germanMenu, QStringLiteral("Lumetra beenden"))) << e2e::readText(germanMenu).toStdString();
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(SettingsWindowTest, RecordingAKeyAnotherProgramHoldsKeepsItAndShowsTheYellowHint)
{
    QProcess* holder = desktop().startBackground(QStringLiteral(LUMETRA_KEYGRAB_PROBE), {});
    ASSERT_TRUE(holder->waitForReadyRead(10000));
    ASSERT_EQ(holder->readLine().trimmed(), QByteArray("grabbed"));

    // Opened with Ctrl+, from the editor window's menu, on the tab chosen last time.
    ASSERT_TRUE(desktop().writeSettings("[General]\nappLanguage=en\nsettingsSelectedTab=2\n"));
    const auto editor = desktop().startLumetraAndWaitFor(QStringLiteral("^Lumetra$"));
    ASSERT_TRUE(editor.has_value());
    ASSERT_TRUE(desktop().activate(*editor));
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+comma")));
    const auto window = desktop().waitForWindow(QStringLiteral("^Settings$"), 10000);
    ASSERT_TRUE(window.has_value());

    scrollToCaptureKeys(*window);
    ASSERT_TRUE(clickText(*window, QStringLiteral("Ctrl + Shift + 8")));
    // The recorder has the keyboard: the press reaches it, not the program holding it.
    ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+alt+6")));
    const auto yellow = [](const QImage& shot) {
        int count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                count += c.red() > 150 && c.green() > 105 && c.blue() < 60 && c.red() - c.green() > 20;
            }
        return count;
    };
    // The hint shows for three seconds: look at once.
    const QImage shot = desktop().waitForScreenshot(*window, [&](const QImage& image) { return yellow(image) > 30; }, 2500);
    EXPECT_GT(yellow(shot), 30) << "no yellow hint under the row";
    EXPECT_TRUE(e2e::findText(shot, QStringLiteral("conflict with desktop"))) << e2e::readText(shot).toStdString();
    // The binding is kept all the same.
    EXPECT_TRUE(shows(*window, QStringLiteral("Capture Window Ctrl + Alt + 6")));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
