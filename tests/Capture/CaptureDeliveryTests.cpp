#include "Capture/CaptureDelivery.h"
#include "Capture/ScreenCapturePermission.h"
#include "CaptureTestSupport.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

struct NotificationLog {
    QObject context;
    QStringList names;
    NotificationLog()
    {
        for (NotificationName name : {Notifications::captureDeliveryRequested, Notifications::captureClipboardImageReady})
            NotificationCenter::defaultCenter().addObserver(name, &context, [this, name](const auto&) { names << name; });
    }
};

} // namespace

TEST(CaptureDelivery, WithTheEditorOffNothingIsAnnounced)
{
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
    CaptureDelivery::clearLastCaptureDeliveryDate();
    NotificationLog log;
    CaptureDelivery::deliverCapturedImage();
    QTest::qWait(400);
    EXPECT_TRUE(log.names.isEmpty());
    EXPECT_FALSE(CaptureDelivery::lastCaptureDeliveryDate().has_value());
}

TEST(CaptureDelivery, AsksForTheWindowAtOnceAndForThePasteAfterAPause)
{
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), true);
    CaptureDelivery::clearLastCaptureDeliveryDate();
    NotificationLog log;
    const QDateTime before = QDateTime::currentDateTimeUtc();
    CaptureDelivery::deliverCapturedImage();
    EXPECT_EQ(log.names, QStringList{Notifications::captureDeliveryRequested});
    const auto date = CaptureDelivery::lastCaptureDeliveryDate();
    ASSERT_TRUE(date.has_value());
    EXPECT_GE(*date, before);
    QTest::qWait(150);
    EXPECT_EQ(log.names.size(), 1);
    // A second delivery before the first paste: two paste notifications follow.
    CaptureDelivery::deliverCapturedImage();
    QTest::qWait(450);
    EXPECT_EQ(log.names,
              (QStringList{Notifications::captureDeliveryRequested, Notifications::captureDeliveryRequested,
                           Notifications::captureClipboardImageReady, Notifications::captureClipboardImageReady}));
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
