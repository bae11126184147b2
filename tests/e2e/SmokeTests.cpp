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

    const CommandResult geometry = desktop.xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    ASSERT_TRUE(geometry.ok()) << geometry.describe().toStdString();
    int width = 0;
    int height = 0;
    for (const QString& line : geometry.text().split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("WIDTH=")))
            width = line.mid(6).toInt();
        if (line.startsWith(QStringLiteral("HEIGHT=")))
            height = line.mid(7).toInt();
    }
    EXPECT_GE(width, 200);
    EXPECT_GE(height, 150);

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
    DesktopOptions desktopOptions() const override
    {
        DesktopOptions options;
        options.windowManager = true;
        options.tray = true;
        return options;
    }
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
