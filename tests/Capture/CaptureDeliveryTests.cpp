#include "Capture/CaptureDelivery.h"
#include "Capture/ScreenCapturePermission.h"
#include "CaptureTestSupport.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QElapsedTimer>
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

} // namespace

TEST(CaptureDelivery, WithTheEditorOnAsksForTheWindowAtOnceAndForThePasteAfterAPause)
{
    QTest::qWait(400); // a paste still due from an earlier test comes before this one listens
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.names.size() == 4; }, 5000));
    QTest::qWait(100);
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
