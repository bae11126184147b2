// The desktop portal's clients against a fake portal on a private bus.

#include "Platform/DesktopPortal.h"
#include "Platform/KeyboardMapping.h"
#include "Platform/PortalGlobalShortcuts.h"
#include "Platform/PortalScreenshot.h"
#include "support/FakeDesktopPortal.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

Q_DECLARE_METATYPE(PortalScreenshotResult)

namespace {

using Outcome = PortalAnswer::Outcome;
constexpr quint64 kCtrlShift = KeyboardMapping::commandFlag | KeyboardMapping::shiftFlag;

class DesktopPortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!portal.isReady())
            GTEST_SKIP() << "no private D-Bus daemon could be started (dbus-daemon missing)";
        portal.screenshotImage = QImage(64, 48, QImage::Format_RGB32);
        for (int i = 0; i < 64 * 48; ++i)
            portal.screenshotImage.setPixel(i % 64, i / 64, qRgb(i % 64 * 4, i / 64 * 5, i % 251));
    }

    // One screenshot request and its one report (cancelled at once when asked to).
    PortalScreenshotResult take(bool interactive, int timeoutMs = 5000, bool cancel = false)
    {
        PortalScreenshot screenshot(portal.client());
        QSignalSpy finished(&screenshot, &PortalScreenshot::finished);
        EXPECT_TRUE(screenshot.take(interactive, timeoutMs));
        EXPECT_FALSE(screenshot.take(interactive, timeoutMs)) << "one request at a time";
        if (cancel)
            screenshot.cancel();
        EXPECT_TRUE(!finished.isEmpty() || finished.wait(10000));
        QTest::qWait(50);
        EXPECT_EQ(finished.size(), 1);
        return finished.isEmpty() ? PortalScreenshotResult{} : finished[0][0].value<PortalScreenshotResult>();
    }

    FakeDesktopPortal portal;
};

} // namespace

TEST_F(DesktopPortalTest, AScreenshotIsReadFromTheAnsweredFileWhichIsThenRemoved)
{
    EXPECT_FALSE(DesktopPortal::isPresent(portal.client()));
    EXPECT_EQ(take(false).outcome, Outcome::unavailable) << "no portal on the bus";
    ASSERT_TRUE(portal.appear());
    EXPECT_TRUE(DesktopPortal::isPresent(portal.client()));

    for (const bool interactive : {false, true}) {
        const PortalScreenshotResult result = take(interactive);
        EXPECT_EQ(result.outcome, Outcome::answered) << result.error.toStdString();
        EXPECT_EQ(result.image.convertToFormat(QImage::Format_RGB32), portal.screenshotImage);
        EXPECT_FALSE(QFile::exists(portal.writtenFile)) << "the portal's file is removed once read";
        EXPECT_EQ(portal.calls.last().second.value(QStringLiteral("interactive")), QVariant(interactive));
    }
}

TEST_F(DesktopPortalTest, EveryOtherEndOfARequestIsToldApart)
{
    ASSERT_TRUE(portal.appear());
    portal.screenshotResponse = 1;
    EXPECT_EQ(take(false).outcome, Outcome::cancelled);
    portal.screenshotResponse = 2;
    EXPECT_EQ(take(false).outcome, Outcome::refused);

    // Never answered: given up after the timeout, or cancelled; either way closed.
    portal.screenshotResponse.reset();
    EXPECT_EQ(take(false, 300).outcome, Outcome::failed);
    EXPECT_EQ(take(false, 5000, true).outcome, Outcome::cancelled);
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal.closedPaths.size() == 2; }, 5000));
    EXPECT_TRUE(portal.closedPaths[0].contains(QStringLiteral("/request/")));

    portal.offersScreenshot = false;
    const PortalScreenshotResult missing = take(false);
    EXPECT_EQ(missing.outcome, Outcome::unavailable);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("org.freedesktop.portal.Screenshot")));
}

TEST(PortalShortcutTrigger, StoredBindingsReadAsTheShortcutSpecificationWritesThem)
{
    const struct {
        quint16 keyCode;
        quint64 flags;
        const char* trigger;
    } cases[] = {{26, kCtrlShift, "CTRL+SHIFT+7"},
                 {0, KeyboardMapping::optionFlag, "ALT+a"},
                 {49, KeyboardMapping::controlFlag | KeyboardMapping::commandFlag, "CTRL+LOGO+space"},
                 {36, 0, "Return"},
                 {200, KeyboardMapping::commandFlag, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(PortalGlobalShortcuts::preferredTrigger(c.keyCode, c.flags), QLatin1String(c.trigger)) << c.keyCode;
}

TEST_F(DesktopPortalTest, ShortcutsAreBoundInOneSessionAndFireOnlyForIt)
{
    ASSERT_TRUE(portal.appear());
    PortalGlobalShortcuts shortcuts([](int id) { return PortalShortcutInfo{QStringLiteral("capture%1").arg(id),
                                                                           QStringLiteral("Capture %1").arg(id)}; },
                                    portal.client());
    QSignalSpy finished(&shortcuts, &PortalGlobalShortcuts::bindingFinished);
    QSignalSpy pressed(&shortcuts, &KeyGrabber::keyPressed);
    EXPECT_EQ(shortcuts.grabKey(1, 26, kCtrlShift), KeyGrabResult::grabbed);
    EXPECT_EQ(shortcuts.grabKey(2, 28, kCtrlShift), KeyGrabResult::grabbed);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(portal.count(QStringLiteral("BindShortcuts")), 1) << "the keys of one registration are bound together";
    EXPECT_EQ(portal.boundShortcuts, (QList<QStringList>{{"capture1", "Capture 1", "CTRL+SHIFT+7"},
                                                         {"capture2", "Capture 2", "CTRL+SHIFT+8"}}));
    EXPECT_EQ(shortcuts.boundTriggers().value(2), QStringLiteral("Ctrl+Shift+7")) << "the desktop's own words";

    portal.activate(QStringLiteral("/org/freedesktop/portal/desktop/session/other/x"), QStringLiteral("capture2"));
    portal.activate(portal.lastSession, QStringLiteral("capture2"));
    ASSERT_TRUE(pressed.wait(5000));
    QTest::qWait(100);
    EXPECT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed[0][0].toInt(), 2);

    // A session binds once: new keys make a new session, the old one is closed.
    const QString first = portal.lastSession;
    shortcuts.ungrabAll();
    shortcuts.grabKey(1, 25, KeyboardMapping::commandFlag);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(portal.closedPaths.contains(first));
    EXPECT_NE(portal.lastSession, first);
    portal.activate(first, QStringLiteral("capture2"));
    QTest::qWait(100);
    EXPECT_EQ(pressed.size(), 1) << "the closed session's keys are gone";
}

TEST_F(DesktopPortalTest, WithoutGlobalShortcutsNothingIsBoundAndLaterKeysFailAtOnce)
{
    ASSERT_TRUE(portal.appear());
    portal.offersGlobalShortcuts = false;
    PortalGlobalShortcuts shortcuts({}, portal.client());
    QSignalSpy finished(&shortcuts, &PortalGlobalShortcuts::bindingFinished);
    QSignalSpy offerChanged(&shortcuts, &KeyGrabber::globalKeysOfferChanged);
    EXPECT_TRUE(shortcuts.offersGlobalKeys()) << "not known before the desktop is asked";
    EXPECT_EQ(shortcuts.grabKey(1, 26, KeyboardMapping::commandFlag), KeyGrabResult::grabbed);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(shortcuts.boundTriggers().isEmpty());
    EXPECT_FALSE(shortcuts.offersGlobalKeys());
    EXPECT_EQ(offerChanged.size(), 1);
    EXPECT_EQ(shortcuts.grabKey(1, 26, KeyboardMapping::commandFlag), KeyGrabResult::unavailable);
}
