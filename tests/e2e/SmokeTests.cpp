#include "XvfbDesktop.h"

#include <QColor>

namespace {

const QString kMainWindowTitle = QStringLiteral("^Lumetra$");

// Pid, size and on-screen pixels of the mapped main window, checked the way a user
// would notice them: it belongs to the program we started, has a real size, and draws.
void expectMainWindowBelongsTo(XvfbDesktop& desktop, const QString& window)
{
    const CommandResult pid = desktop.xdotool({QStringLiteral("getwindowpid"), window});
    ASSERT_TRUE(pid.ok()) << pid.describe().toStdString();
    EXPECT_EQ(pid.text().toLongLong(), desktop.lumetraPid());

    const auto geometry = desktop.windowGeometry(window);
    ASSERT_TRUE(geometry.has_value()) << "no geometry for window " << window.toStdString();
    EXPECT_GE(geometry->width(), 200);
    EXPECT_GE(geometry->height(), 150);

    // An unpainted window on Xvfb stays black; a drawn Qt window does not.
    const QImage shot = desktop.screenshotWindow(window);
    ASSERT_FALSE(shot.isNull());
    const QColor centre = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    EXPECT_GT(centre.lightness(), 0) << "the window's centre is black: nothing was painted";
}

} // namespace

class SmokeTest : public DesktopTest {};

TEST_F(SmokeTest, StartsMapsItsWindowAndQuitsCleanlyOnSigterm)
{
    ASSERT_TRUE(desktop().startLumetra()) << desktop().errorString().toStdString();
    const auto window = desktop().waitForWindow(kMainWindowTitle, 30000);
    ASSERT_TRUE(window.has_value()) << "no mapped window titled Lumetra; stderr: "
                                    << desktop().lumetraErrors().toStdString();
    expectMainWindowBelongsTo(desktop(), *window);

    EXPECT_EQ(desktop().stopLumetra(SIGTERM), 0);
    EXPECT_TRUE(desktop().findWindows(kMainWindowTitle).isEmpty());
}

TEST_F(SmokeTest, InterruptIsAQuitToo)
{
    ASSERT_TRUE(desktop().startLumetra()) << desktop().errorString().toStdString();
    ASSERT_TRUE(desktop().waitForWindow(kMainWindowTitle, 30000).has_value());
    EXPECT_EQ(desktop().stopLumetra(SIGINT), 0);
}

class SmokeTestWithWindowManagerAndTray : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true, .tray = true}; }
};

TEST_F(SmokeTestWithWindowManagerAndTray, StartsUnderOpenboxAndQuitsCleanly)
{
    ASSERT_TRUE(desktop().startLumetra()) << desktop().errorString().toStdString();
    const auto window = desktop().waitForWindow(kMainWindowTitle, 30000);
    ASSERT_TRUE(window.has_value());
    expectMainWindowBelongsTo(desktop(), *window);
    // The window manager manages it: the window is in its client list.
    const CommandResult clients =
        desktop().run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-notype"), QStringLiteral("_NET_CLIENT_LIST")});
    ASSERT_TRUE(clients.ok()) << clients.describe().toStdString();
    const QString hexId = QStringLiteral("0x%1").arg(window->toULongLong(), 0, 16);
    EXPECT_TRUE(clients.text().contains(hexId)) << clients.text().toStdString() << " lacks " << hexId.toStdString();
    EXPECT_EQ(desktop().stopLumetra(SIGTERM), 0);
}
