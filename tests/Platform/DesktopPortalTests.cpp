// The desktop portal's clients against a fake portal on a private bus.

#include "Platform/DesktopPortal.h"
#include "Platform/KeyboardMapping.h"
#include "Platform/PortalGlobalShortcuts.h"
#include "Platform/PortalScreenshot.h"
#include "Platform/StatusNotifierItem.h"
#include "support/FakeDesktopPortal.h"

#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

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
        if (cancel) {
            const int sent = portal.count(QStringLiteral("Screenshot"));
            EXPECT_TRUE(QTest::qWaitFor([&] { return portal.count(QStringLiteral("Screenshot")) > sent; }, 5000));
            screenshot.cancel();
        }
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

TEST_F(DesktopPortalTest, APortalThatStoppedAnsweringIsGivenUpWithinSecondsAndNeverAskedAgainMeanwhile)
{
    ASSERT_TRUE(portal.appear());
    using Clock = std::chrono::steady_clock;
    // Silent from the start: after a few seconds the request ends, never having been
    // sent, so nothing asked now can run once the portal goes on.
    portal.silent = true;
    Clock::time_point start = Clock::now();
    const PortalScreenshotResult silent = take(true, 300000);
    EXPECT_EQ(silent.outcome, Outcome::notAnswering);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(portal.count(QStringLiteral("Screenshot")), 0) << "a request went to a portal that did not answer";

    // Silent once the request is under way (it answered the ping and the call, never the
    // request): given up and closed at the portal within a few seconds, not at the
    // request's own limit of minutes.
    portal.silent = false;
    portal.screenshotResponse.reset();
    PortalScreenshot screenshot(portal.client());
    QSignalSpy finished(&screenshot, &PortalScreenshot::finished);
    ASSERT_TRUE(screenshot.take(false, 300000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal.count(QStringLiteral("Screenshot")) == 1; }, 5000));
    portal.silent = true;
    start = Clock::now();
    ASSERT_TRUE(finished.wait(15000));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(finished[0][0].value<PortalScreenshotResult>().outcome, Outcome::notAnswering);
    EXPECT_TRUE(QTest::qWaitFor([&] { return portal.closedPaths.size() == 1; }, 5000))
        << "the request is closed at the portal";

    // A portal that answers again serves the next request as usual.
    portal.silent = false;
    portal.screenshotResponse = 0;
    EXPECT_EQ(take(false).outcome, Outcome::answered);
}

TEST_F(DesktopPortalTest, TheUsersTimeInTheBackendsPickerIsNeverTakenForSilence)
{
    ASSERT_TRUE(portal.appear());
    // The backend is found as the portal finds it: by its description in the data folders.
    QTemporaryDir data;
    ASSERT_TRUE(QDir(data.path()).mkpath(QStringLiteral("xdg-desktop-portal/portals")));
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_DIRS", data.path().toUtf8());
    qputenv("XDG_DATA_HOME", data.filePath(QStringLiteral("home")).toUtf8());
    const QString backend = QStringLiteral("org.freedesktop.impl.portal.desktop.lumetratest");
    ASSERT_TRUE(portal.addBackend(backend, data.filePath(QStringLiteral("xdg-desktop-portal/portals"))));
    EXPECT_TRUE(DesktopPortal::screenshotServices(portal.client()).contains(backend));

    // The user chooses for longer than a question may go unanswered, and longer than the
    // checks' interval: the backend, waiting on its picker, answers nothing meanwhile.
    portal.pickerMs = PortalScreenshot::answerLimitMs + 2 * PortalScreenshot::checkIntervalMs;
    const PortalScreenshotResult chosen = take(true, 300000);
    EXPECT_EQ(chosen.outcome, Outcome::answered) << chosen.error.toStdString();
    EXPECT_EQ(chosen.image.convertToFormat(QImage::Format_RGB32), portal.screenshotImage);
    EXPECT_TRUE(portal.closedPaths.isEmpty()) << "the request was given up while the user chose";

    qputenv("XDG_DATA_DIRS", dataDirs);
    qputenv("XDG_DATA_HOME", dataHome);
}

TEST(PortalScreenshot, AProgramCountsAsMissingOnlyWhereNeitherLumetrasPathNorTheSystemsFoldersHoldIt)
{
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    // Lumetra started with a search path of its own that lacks the system's folders.
    qputenv("PATH", empty.path().toUtf8());
    EXPECT_TRUE(PortalScreenshot::programIsInstalled(QStringLiteral("sh"))) << "in /bin, where the portal looks";
    EXPECT_FALSE(PortalScreenshot::programIsInstalled(QStringLiteral("lumetra-no-such-picker")));
    // One on Lumetra's own path only counts too.
    QFile own(empty.filePath(QStringLiteral("lumetra-own-picker")));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("#!/bin/sh\n");
    own.close();
    own.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_TRUE(PortalScreenshot::programIsInstalled(QStringLiteral("lumetra-own-picker")));
    qputenv("PATH", path);
}

TEST(DesktopPortal, TheScreenshotServicesAreThePortalAndItsRunningBackendsThatTakeScreenshots)
{
    FakeDesktopPortal portal;
    if (!portal.isReady())
        GTEST_SKIP() << "no private D-Bus daemon could be started (dbus-daemon missing)";
    QTemporaryDir folder;
    const auto describe = [&](const char* file, const char* text) {
        QFile f(folder.filePath(QLatin1String(file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    describe("shots.portal", "[portal]\nDBusName=org.example.impl.shots\n"
                             "Interfaces=org.freedesktop.impl.portal.ScreenCast;org.freedesktop.impl.portal.Screenshot;\n");
    describe("files.portal", "[portal]\nDBusName=org.example.impl.files\nInterfaces=org.freedesktop.impl.portal.FileChooser;\n");
    describe("absent.portal", "[portal]\nDBusName=org.example.impl.absent\nInterfaces=org.freedesktop.impl.portal.Screenshot;\n");
    describe("notes.txt", "DBusName=org.example.impl.files\nInterfaces=org.freedesktop.impl.portal.Screenshot;\n");
    for (const char* name : {"org.example.impl.shots", "org.example.impl.files"})
        ASSERT_TRUE(portal.desktop().registerService(QLatin1String(name)));
    EXPECT_EQ(DesktopPortal::screenshotServices(portal.client(), {folder.path()}),
              QStringList({DesktopPortal::service, QStringLiteral("org.example.impl.shots")}));
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

TEST_F(DesktopPortalTest, TheStatusItemIsAMenuThatTheTrayReadsAndClicksAtTheItem)
{
    // The tray's side: a watcher that notes the items it is told of.
    struct Watcher : QDBusVirtualObject {
        QStringList items;
        QString introspect(const QString&) const override { return {}; }
        bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
        {
            if (message.member() == QLatin1String("RegisterStatusNotifierItem"))
                items << message.arguments().value(0).toString();
            return connection.send(message.createReply());
        }
    } watcher;
    QDBusConnection tray = portal.desktop();
    ASSERT_TRUE(tray.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), &watcher));
    EXPECT_FALSE(StatusNotifierItem::hostPresent(portal.client()));
    ASSERT_TRUE(tray.registerService(StatusNotifierItem::watcherService));
    EXPECT_TRUE(StatusNotifierItem::hostPresent(portal.client()));

    QMenu menu;
    QAction* capture = menu.addAction(QStringLiteral("Capture && Annotate_\tlumetra --capture-area"));
    menu.addSeparator();
    QAction* three = menu.addMenu(QStringLiteral("Delayed"))->addAction(QStringLiteral("3 s"));
    three->setCheckable(true);
    three->setChecked(true);
    menu.addAction(QStringLiteral("Off"))->setEnabled(false);
    int captures = 0;
    QObject::connect(capture, &QAction::triggered, [&] { ++captures; });
    QPixmap icon(22, 22);
    icon.fill(Qt::red);
    StatusNotifierItem item{QIcon(icon), portal.client()};
    ASSERT_TRUE(item.show());
    item.setMenu(&menu);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.items == QStringList{item.serviceName()}; }, 5000));

    const auto call = [&](const QString& path, const QString& interface, const char* member, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(item.serviceName(), path, interface, QLatin1String(member));
        message.setArguments(args);
        QDBusPendingCall pending = tray.asyncCall(message);
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 5000)) << member;
        EXPECT_FALSE(pending.isError()) << member << pending.error().message().toStdString();
        return pending.reply().arguments();
    };
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QVariantMap itemProperties = qdbus_cast<QVariantMap>(
        call(StatusNotifierItem::itemPath, properties, "GetAll", {QStringLiteral("org.kde.StatusNotifierItem")}).value(0));
    // A menu, so that the tray opens it on either click, at the item.
    EXPECT_EQ(itemProperties.value(QStringLiteral("ItemIsMenu")), QVariant(true));
    EXPECT_EQ(qdbus_cast<QDBusObjectPath>(itemProperties.value(QStringLiteral("Menu"))).path(), StatusNotifierItem::menuPath);
    const auto pixmaps = qdbus_cast<QList<StatusIconPixmap>>(itemProperties.value(QStringLiteral("IconPixmap")));
    ASSERT_FALSE(pixmaps.isEmpty());
    EXPECT_EQ(pixmaps[0].argb.left(4), QByteArray("\xff\xff\x00\x00", 4)) << "opaque red, ARGB in network order";

    const auto layout = [&] {
        return qdbus_cast<ExportedMenuItem>(
            call(StatusNotifierItem::menuPath, QStringLiteral("com.canonical.dbusmenu"), "GetLayout", {0, -1, QStringList()})
                .value(1));
    };
    const ExportedMenuItem root = layout();
    ASSERT_EQ(root.children.size(), 4);
    const QVariantMap expected[] = {
        {{"label", "Capture & Annotate__    lumetra --capture-area"}},
        {{"type", "separator"}},
        {{"label", "Delayed"}, {"children-display", "submenu"}},
        {{"label", "Off"}, {"enabled", false}},
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(root.children[i].properties, expected[i]) << i;
    ASSERT_EQ(root.children[2].children.size(), 1);
    EXPECT_EQ(root.children[2].children[0].properties.value(QStringLiteral("toggle-state")), QVariant(1));

    call(StatusNotifierItem::menuPath, QStringLiteral("com.canonical.dbusmenu"), "Event",
         {root.children[0].id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_TRUE(QTest::qWaitFor([&] { return captures == 1; }, 5000));
    three->setChecked(false);
    EXPECT_EQ(layout().children[2].children[0].properties.value(QStringLiteral("toggle-state")), QVariant(0));
    // A tray that shows no menus asks the item to act on either click.
    QSignalSpy fallback(&item, &StatusNotifierItem::activatedWithoutMenu);
    for (const char* click : {"Activate", "ContextMenu"})
        call(StatusNotifierItem::itemPath, QStringLiteral("org.kde.StatusNotifierItem"), click, {10, 10});
    EXPECT_EQ(fallback.size(), 2);
}
