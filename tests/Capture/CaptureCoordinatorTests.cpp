#include "Base/Logger.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/DelayCountdownHUD.h"
#include "Capture/ScreenCapturePermission.h"
#include "CaptureTestSupport.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/UserDefaults.h"
#include "support/FakeDesktopPortal.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class CoordinatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralForTesting(&pasteboard);
        ScreenCapturePermission::setPreflightForTesting([this] { return permissionGranted; });
        UserDefaults::standard().set(Settings::captureOpensEditor.name(), true);
        UserDefaults::standard().remove(Settings::captureDelaySeconds.name());
        NotificationCenter::defaultCenter().addObserver(Notifications::captureDeliveryRequested, &context,
                                                        [this](const auto&) { ++deliveries; });
    }
    void TearDown() override
    {
        Pasteboard::setGeneralForTesting(nullptr);
        ScreenCapturePermission::setPreflightForTesting({});
        UserDefaults::standard().remove(Settings::captureDelaySeconds.name());
    }

    void setDelay(int seconds) { UserDefaults::standard().set(Settings::captureDelaySeconds.name(), seconds); }

    InMemoryPasteboard pasteboard;
    RecordingAlerts alerts;
    ManualCaptureClock clock;
    DelayCountdownHUD hud{clock};
    FakeScreenshotTool* tool = new FakeScreenshotTool;
    CaptureCoordinator coordinator{clock, hud, tool};
    bool permissionGranted = true;
    int deliveries = 0;
    QObject context;
};

} // namespace

TEST_F(CoordinatorTest, DelaysOutsideTheAcceptedSetRunTheCaptureAtOnce)
{
    for (int delay : {0, 7, -3, 1}) {
        setDelay(delay);
        int runs = 0;
        coordinator.captureWithDelay(QStringLiteral("选区截图"), [&] { ++runs; });
        EXPECT_EQ(runs, 1) << "delay " << delay;
        EXPECT_FALSE(coordinator.hasPendingDelay());
        EXPECT_FALSE(hud.isShowing());
    }
    // A zero-second schedule shows no countdown either.
    int runs = 0;
    coordinator.scheduleDelayedCapture(QStringLiteral("x"), [&] { ++runs; }, 0);
    EXPECT_FALSE(hud.isShowing());
    clock.advance(0);
    EXPECT_EQ(runs, 1);
}

TEST_F(CoordinatorTest, ThreeSecondDelayCountsDownAndRunsAtTheDeadline)
{
    setDelay(3);
    int runs = 0;
    coordinator.captureWithDelay(QStringLiteral("选区截图"), [&] {
        ++runs;
        EXPECT_FALSE(hud.isShowing()) << "the countdown is gone before the capture starts";
    });
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(coordinator.hasPendingDelay());
    ASSERT_TRUE(hud.isShowing());
    EXPECT_EQ(hud.labelText(), QStringLiteral("3"));
    EXPECT_TRUE(hud.panel()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(hud.panel()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));

    clock.advance(1200);
    hud.updateLabel();
    EXPECT_EQ(hud.labelText(), QStringLiteral("2"));
    clock.advance(1000);
    hud.updateLabel();
    EXPECT_EQ(hud.labelText(), QStringLiteral("1"));
    EXPECT_EQ(runs, 0);
    clock.advance(800);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(coordinator.hasPendingDelay());
    EXPECT_FALSE(hud.isShowing());
}

TEST_F(CoordinatorTest, ALaterRequestReplacesThePendingOneAndCancellingDropsIt)
{
    setDelay(5);
    int first = 0;
    int second = 0;
    coordinator.captureWithDelay(QStringLiteral("选区截图"), [&] { ++first; });
    clock.advance(2000);
    setDelay(10);
    coordinator.captureWithDelay(QStringLiteral("重复上次选区"), [&] { ++second; });
    EXPECT_EQ(clock.pending(), 1);
    EXPECT_EQ(hud.labelText(), QStringLiteral("10"));
    clock.advance(9000);
    EXPECT_EQ(first + second, 0);
    clock.advance(1000);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);

    // Cancelling drops the delayed capture and the countdown.
    coordinator.scheduleDelayedCapture(QStringLiteral("窗口截图"), [] { FAIL() << "cancelled capture ran"; }, 3);
    ASSERT_TRUE(hud.isShowing());
    coordinator.cancelPendingDelay(QStringLiteral("test"));
    EXPECT_FALSE(coordinator.hasPendingDelay());
    EXPECT_FALSE(hud.isShowing());
    EXPECT_EQ(clock.pending(), 0);
    clock.advance(10000);
    // Cancelling with nothing pending is harmless.
    coordinator.cancelPendingDelay(QStringLiteral("again"));

    // The fallback tool cancels a pending delay too.
    coordinator.scheduleDelayedCapture(QStringLiteral("x"), [] { FAIL() << "should have been cancelled"; }, 5);
    coordinator.startAreaCapture();
    EXPECT_FALSE(coordinator.hasPendingDelay());
    clock.advance(6000);
}

TEST_F(CoordinatorTest, AToolThatCannotStartOrAPictureThatCannotBeEncodedSaysWhyAndRestoresWindows)
{
    QWidget window;
    window.show();
    tool->startSucceeds = false;
    coordinator.startAreaCapture();
    EXPECT_EQ(tool->starts, 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(coordinator.isToolRunning());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("capture.error.title")));
    EXPECT_TRUE(alerts.alerts[0].text.startsWith(localized(QStringLiteral("capture.error.failed"))));
    EXPECT_TRUE(alerts.alerts[0].text.endsWith(QStringLiteral("\n(no desktop portal)")));

    // The tool's picture cannot be made into a PNG: the capture failed, not the tool.
    EXPECT_FALSE(encodeCapturePng(QImage()));
    tool->startSucceeds = true;
    setCapturePngEncoderForTesting([](const QImage&) { return std::optional<QByteArray>(); });
    coordinator.startAreaCapture();
    tool->finish(patternImage(40, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator.isToolRunning(); }, 5000));
    setCapturePngEncoderForTesting({});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(deliveries, 0);
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType).has_value());
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(alerts.alerts[1].text, localizedFormat(QStringLiteral("capture.error.captureFailed"),
                                                     {localized(QStringLiteral("capture.error.reason.encoding"))}));
}

TEST_F(CoordinatorTest, AToolWhoseDesktopStopsAnsweringEndsWithTheAlertAndTheNextRequestStartsIt)
{
    QWidget window;
    window.show();
    coordinator.startAreaCapture();
    coordinator.startAreaCapture(); // asked meanwhile: the running one answers for it
    EXPECT_EQ(tool->starts, 1);
    tool->stopAnswering();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(coordinator.isToolRunning());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("capture.error.title")));
    EXPECT_TRUE(alerts.alerts[0].text.contains(localized(QStringLiteral("capture.error.reason.portalNotAnswering"))));
    EXPECT_EQ(deliveries, 0);

    coordinator.startAreaCapture();
    EXPECT_EQ(tool->starts, 2) << "not dropped because an earlier request hung";
    tool->finish(QImage());
}

TEST(DesktopNotAnsweringAlert, CapturesThatGiveUpWhileItIsOpenAreAnsweredByIt)
{
    // A modal alert lets other captures run, and give up, under it.
    struct NestingAlerts final : CaptureAlerts {
        int shown = 0;
        int nestedGiveUps = 2;
        void showWarning(const QString&, const QString&) override
        {
            ++shown;
            while (nestedGiveUps > 0) {
                --nestedGiveUps;
                showDesktopNotAnswering();
            }
        }
        void showInformation(const QString&) override {}
        bool askWarning(const QString&, const QString&, const QString&, const QString&) override { return false; }
    } alerts;
    CaptureAlerts::setForTesting(&alerts);
    showDesktopNotAnswering();
    EXPECT_EQ(alerts.shown, 1);
    showDesktopNotAnswering(); // closed since: a new silence is told anew
    EXPECT_EQ(alerts.shown, 2);
    CaptureAlerts::setForTesting(nullptr);
}

TEST_F(CoordinatorTest, OnlyTheToolsOwnPictureIsDeliveredAndOnlyAfterItIsOnTheClipboard)
{
    QWidget window;
    window.show();
    // Lumetra copied an image earlier; while the tool runs the clipboard reports changes
    // (Wayland does so with no new data, or another program copies). None of them is
    // the capture.
    const QByteArray older = pngBytes(patternImage(4, 4, 9));
    pasteboard.setItems({{Pasteboard::pngType, older}});
    coordinator.startAreaCapture();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(coordinator.isToolRunning());
    pasteboard.setItems({{Pasteboard::pngType, older}});
    pasteboard.setItems({{Pasteboard::tiffType, QByteArray("II*\0", 4)}});
    QTest::qWait(700);
    EXPECT_EQ(deliveries, 0);
    // A second request while the tool runs does nothing.
    coordinator.startAreaCapture();
    EXPECT_EQ(tool->starts, 1);

    // What the delivery finds when it runs: the tool's PNG on the clipboard, Lumetra's
    // windows back, and the tool no longer counted as running.
    QImage clipboardAtDelivery;
    bool windowVisibleAtDelivery = false;
    bool toolRunningAtDelivery = true;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(Notifications::captureDeliveryRequested, &observer,
                                                    [&](const auto&) {
                                                        if (const auto data = pasteboard.data(Pasteboard::pngType))
                                                            clipboardAtDelivery = QImage::fromData(*data, "PNG");
                                                        windowVisibleAtDelivery = window.isVisible();
                                                        toolRunningAtDelivery = coordinator.isToolRunning();
                                                    });

    // The PNG is made on a worker; until it is on the clipboard the tool still counts
    // as running, its windows stay hidden and a new start is ignored.
    GatedEncoder encoder;
    const QImage image = patternImage(40, 30);
    tool->finish(image);
    QTest::qWait(100);
    EXPECT_EQ(deliveries, 0);
    EXPECT_TRUE(coordinator.isToolRunning());
    EXPECT_FALSE(window.isVisible());
    coordinator.startAreaCapture();
    EXPECT_EQ(tool->starts, 1);

    encoder.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator.isToolRunning(); }, 5000));
    EXPECT_FALSE(encoder.ranOnMainThread);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(deliveries, 1);
    EXPECT_EQ(clipboardAtDelivery.convertToFormat(QImage::Format_RGB32), image);
    EXPECT_TRUE(windowVisibleAtDelivery);
    EXPECT_FALSE(toolRunningAtDelivery);
    EXPECT_TRUE(alerts.alerts.empty());

    // A cancelled tool delivers nothing, whatever the clipboard does afterwards, and the
    // next request starts the tool again at once.
    coordinator.startAreaCapture();
    tool->finish(QImage());
    pasteboard.setItems({{Pasteboard::pngType, older}});
    QTest::qWait(100);
    EXPECT_EQ(deliveries, 1);
    EXPECT_TRUE(window.isVisible());
    coordinator.startAreaCapture();
    EXPECT_EQ(tool->starts, 3);
}

TEST_F(CoordinatorTest, RefusedPermissionShowsThePermissionAlertAndStartsNothing)
{
    permissionGranted = false;
    coordinator.startAreaCapture();
    EXPECT_EQ(tool->starts, 0);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("capture.permission.title")));
    EXPECT_EQ(alerts.alerts[0].buttons.size(), 2) << "open the settings, or cancel";
}

TEST(PortalScreenshotTool, APickThatFailsForWantOfTheDesktopsPickerNamesTheProgramToInstallAndACancelIsNoFailure)
{
    FakeDesktopPortal portal;
    if (!portal.isReady())
        GTEST_SKIP() << "no private D-Bus daemon could be started (dbus-daemon missing)";
    ASSERT_TRUE(portal.appear());
    portal.screenshotResponse = 2; // what the portal answers when its picker could not run
    const QString wlrBackend = QStringLiteral("org.freedesktop.impl.portal.desktop.wlr");
    const QString refused = localized(QStringLiteral("capture.error.reason.portalRefused"));
    const QString needsSlurp = localizedFormat(QStringLiteral("capture.error.reason.pickerMissing"), {"slurp"});
    const struct {
        bool backendAtStart;  // the wlroots backend already serves this session
        bool backendActivated; // it is started for this very request
        bool slurpInstalled;
        bool started;
        QString reason; // empty: the pick ends quietly, as a cancel
    } cases[] = {
        {false, false, false, true, refused}, // another desktop's portal refused
        {true, true, true, true, {}},         // slurp is there: Escape in it ends the same way
        {true, true, false, false, needsSlurp},
        {false, true, false, true, needsSlurp},
    };
    for (const auto& c : cases) {
        const auto wlr = [&](bool runs) {
            runs ? (void)portal.client().registerService(wlrBackend) : (void)portal.client().unregisterService(wlrBackend);
        };
        PortalScreenshotTool tool(portal.client(), [&](const QString& program) {
            EXPECT_EQ(program, QStringLiteral("slurp"));
            return c.slurpInstalled;
        });
        QSignalSpy failed(&tool, &SystemScreenshotTool::failed);
        QSignalSpy finished(&tool, &SystemScreenshotTool::finished);
        wlr(c.backendAtStart);
        QString error;
        EXPECT_EQ(tool.start(&error), c.started) << error.toStdString();
        wlr(c.backendActivated);
        if (c.started)
            ASSERT_TRUE(QTest::qWaitFor([&] { return !failed.isEmpty() || !finished.isEmpty(); }, 5000));
        if (c.reason.isEmpty()) {
            EXPECT_TRUE(failed.isEmpty()) << failed.value(0).value(0).toString().toStdString();
            ASSERT_EQ(finished.size(), 1);
            EXPECT_TRUE(finished.value(0).value(0).value<QImage>().isNull());
            wlr(false);
            continue;
        }
        EXPECT_TRUE(finished.isEmpty());
        EXPECT_EQ(c.started ? failed.value(0).value(0).toString() : error, c.reason);
        wlr(false);
    }
}

TEST(SystemCaptureClock, RunsScheduledWorkAtTheWallClockDeadlineUnlessCancelled)
{
    SystemCaptureClock clock;
    int ran = 0;
    int cancelled = 0;
    const QDateTime start = clock.now();
    clock.scheduleAt(start.addMSecs(80), [&] {
        ++ran;
        EXPECT_GE(clock.now(), start.addMSecs(80));
    });
    const quint64 token = clock.scheduleAt(start.addMSecs(40), [&] { ++cancelled; });
    clock.cancel(token);
    clock.cancel(token + 100); // unknown tokens are ignored
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran == 1; }, 5000));
    EXPECT_EQ(cancelled, 0);
    // A deadline already past runs at once.
    clock.scheduleAt(start, [&] { ++ran; });
    EXPECT_EQ(ran, 2);
}

TEST(CaptureLog, StepLinesStayOutOfTheDefaultLogWhileFailuresGoIn)
{
    using testing::internal::CaptureStdout;
    using testing::internal::GetCapturedStdout;
    const LogLevel before = Logger::shared().threshold();
    Logger::shared().setThreshold(LogLevel::warning);
    CaptureStdout();
    captureDiagnostic(QStringLiteral("📸 step"));
    captureDiagnostic(QStringLiteral("❌ broke"));
    const QString quiet = QString::fromStdString(GetCapturedStdout());
    Logger::shared().setThreshold(LogLevel::info);
    CaptureStdout();
    captureDiagnostic(QStringLiteral("📸 step"));
    const QString asked = QString::fromStdString(GetCapturedStdout());
    Logger::shared().setThreshold(before);
    EXPECT_EQ(quiet, QStringLiteral("❌ [ERROR] ❌ broke\n"));
    EXPECT_EQ(asked, QStringLiteral("ℹ️ [INFO] 📸 step\n"));
}
