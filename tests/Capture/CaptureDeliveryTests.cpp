#include "Capture/CaptureDelivery.h"
#include "Capture/ScreenCapturePermission.h"
#include "CaptureTestSupport.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/UserDefaults.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The names posted, and when, in milliseconds since the log began.
struct NotificationLog {
    QObject context;
    QStringList names;
    QList<qint64> elapsedAt;
    QElapsedTimer clock;
    NotificationLog()
    {
        clock.start();
        for (NotificationName name : {Notifications::captureDeliveryRequested, Notifications::captureClipboardImageReady})
            NotificationCenter::defaultCenter().addObserver(name, &context, [this, name](const auto&) {
                names << name;
                elapsedAt << clock.elapsed();
            });
    }
};

// Waits until every timer of this thread due within `ms` from now has fired: a timer
// started now for a longer time fires after them, however slow the machine. What a
// delivery schedules has then happened, and a check that nothing more came is not
// passed merely by looking too early.
bool timersDueWithinHaveFired(int ms)
{
    bool fired = false;
    QObject context;
    QTimer::singleShot(ms + 200, &context, [&] { fired = true; });
    return QTest::qWaitFor([&] { return fired; }, 60000);
}

} // namespace

TEST(CaptureDelivery, WithTheEditorOnAsksForTheWindowAtOnceAndForThePasteAfterAPause)
{
    // A paste still due from an earlier test comes before this one listens.
    ASSERT_TRUE(timersDueWithinHaveFired(300));
    CaptureDelivery::clearLastCaptureDeliveryDate();
    NotificationLog log;
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
    CaptureDelivery::deliverCapturedImage();
    EXPECT_TRUE(log.names.isEmpty());
    EXPECT_FALSE(CaptureDelivery::lastCaptureDeliveryDate().has_value());

    UserDefaults::standard().set(Settings::captureOpensEditor.name(), true);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    CaptureDelivery::deliverCapturedImage();
    EXPECT_EQ(log.names, QStringList{Notifications::captureDeliveryRequested});
    const auto date = CaptureDelivery::lastCaptureDeliveryDate();
    ASSERT_TRUE(date.has_value());
    EXPECT_GE(*date, before);
    // A second delivery before the first paste: two paste notifications follow, each a
    // pause after its delivery, and none for the delivery with the editor off.
    CaptureDelivery::deliverCapturedImage();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.names.size() == 4; }, 30000));
    ASSERT_TRUE(timersDueWithinHaveFired(300));
    EXPECT_EQ(log.names,
              (QStringList{Notifications::captureDeliveryRequested, Notifications::captureDeliveryRequested,
                           Notifications::captureClipboardImageReady, Notifications::captureClipboardImageReady}));
    EXPECT_GE(log.elapsedAt.last(), 250);
    CaptureDelivery::clearLastCaptureDeliveryDate();
    EXPECT_FALSE(CaptureDelivery::lastCaptureDeliveryDate().has_value());
}

TEST(ScreenCapturePermission, GrantedOnX11RefusedInAWaylandSession)
{
    RecordingAlerts alerts;
    const QByteArray saved = qgetenv("XDG_SESSION_TYPE");
    qputenv("XDG_SESSION_TYPE", "x11");
    EXPECT_TRUE(ScreenCapturePermission::ensureScreenCapturePermission());
    EXPECT_TRUE(alerts.alerts.empty());

    qputenv("XDG_SESSION_TYPE", "wayland");
    alerts.acceptAnswer = true; // even "open settings" does not grant it
    EXPECT_FALSE(ScreenCapturePermission::ensureScreenCapturePermission());
    EXPECT_EQ(alerts.alerts.size(), 1u);
    qputenv("XDG_SESSION_TYPE", saved);
}

TEST(CaptureDelivery, ACaptureThatMayNotHaveReachedTheClipboardIsSaidSoOnceAndNeverLoggedAsWritten)
{
    // A clipboard like a Wayland compositor's without data-control: writes are kept here
    // but not known to reach other programs.
    struct UnconfirmedPasteboard final : InMemoryPasteboard {
        bool confirmed = false;
        bool reachesOtherPrograms() const override { return confirmed; }
    } board;
    Pasteboard::setGeneralForTesting(&board);
    // The test's clipboard and setting go with the test, whatever the outcome.
    const auto restore = qScopeGuard([] {
        Pasteboard::setGeneralForTesting(nullptr);
        UserDefaults::standard().remove(Settings::captureOpensEditor.name());
    });
    RecordingAlerts alerts;
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
    const QByteArray png("png bytes");
    const struct {
        bool confirmed;
        bool afterOwnInput;
        bool told;
    } cases[] = {{false, false, true}, {false, true, false}, {true, false, false}, {true, true, false}};
    // The warning comes 400 ms after the delivery, once the editor would be in front.
    const int warningDelayMs = 400;
    for (const auto& c : cases) {
        board.confirmed = c.confirmed;
        EXPECT_EQ(CaptureDelivery::putOnClipboard(png, c.afterOwnInput), !c.told);
        EXPECT_EQ(board.data(Pasteboard::pngType), png) << "the editor still pastes the capture";
        CaptureDelivery::deliverCapturedImage();
        ASSERT_TRUE(timersDueWithinHaveFired(warningDelayMs));
        ASSERT_EQ(alerts.alerts.size(), c.told ? 1u : 0u) << c.confirmed << c.afterOwnInput;
        if (c.told)
            EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("capture.clipboardRefused.title")));
        // Told once: the next delivery of something else says nothing more.
        CaptureDelivery::deliverCapturedImage();
        ASSERT_TRUE(timersDueWithinHaveFired(warningDelayMs));
        EXPECT_EQ(alerts.alerts.size(), c.told ? 1u : 0u);
        alerts.alerts.clear();
    }
}
