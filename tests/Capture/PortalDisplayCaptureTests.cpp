// The displays of a Wayland session: one screenshot of the whole desktop from the
// portal (a fake one on a private bus) cut into the displays.

#include "Capture/PortalDisplayCapture.h"
#include "CaptureTestSupport.h"
#include "support/FakeDesktopPortal.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

using Preparation = DisplayCaptureSource::Preparation;

TEST(SplitDesktopImage, EachDisplayGetsItsPartAtItsOwnPixelSize)
{
    const QImage desktop = patternImage(400, 150, 3);
    const auto display = [](QRectF frame, double scale) {
        DisplayCaptureSource::Display d;
        d.frame = frame;
        d.scale = scale;
        return d;
    };
    const struct {
        QList<DisplayCaptureSource::Display> displays;
        QList<QRect> parts; // in the desktop picture
        QList<QSize> sizes; // of the pieces
    } cases[] = {
        // Side by side, the second higher up; left of and above the first; composed at
        // twice the points with one display at scale 1.
        {{display({0, 50, 200, 100}, 1), display({200, 0, 200, 60}, 1)}, {{0, 50, 200, 100}, {200, 0, 200, 60}},
         {{200, 100}, {200, 60}}},
        {{display({0, 0, 300, 100}, 1), display({-100, -50, 100, 50}, 1)}, {{100, 50, 300, 100}, {0, 0, 100, 50}},
         {{300, 100}, {100, 50}}},
        {{display({0, 0, 100, 75}, 2), display({100, 0, 100, 75}, 1)}, {{0, 0, 200, 150}, {200, 0, 200, 150}},
         {{200, 150}, {100, 75}}},
    };
    for (const auto& c : cases) {
        const auto pieces = splitDesktopImage(desktop, c.displays);
        ASSERT_TRUE(pieces && pieces->size() == c.parts.size());
        for (qsizetype i = 0; i < c.parts.size(); ++i)
            EXPECT_EQ((*pieces)[i], desktop.copy(c.parts[i]).scaled(c.sizes[i], Qt::IgnoreAspectRatio,
                                                                     Qt::SmoothTransformation))
                << c.parts[i].x() << "," << c.parts[i].y();
    }
    // A picture of something else than this layout is not cut at all.
    EXPECT_FALSE(splitDesktopImage(desktop, {display({0, 0, 200, 200}, 1)}));
    EXPECT_FALSE(splitDesktopImage(QImage(), {display({0, 0, 400, 150}, 1)}));
}

TEST(SplitDesktopImage, AFractionalScaleKeepsTheCompositorsPixelsWhereQtRoundsItsRatioUp)
{
    const auto display = [](QRectF frame, double scale) {
        DisplayCaptureSource::Display d;
        d.frame = frame;
        d.scale = scale;
        return d;
    };
    // An output at 1.25 or 1.5 reaches Qt as ratio 2: its pieces stay at the picture's pixels.
    for (const double fraction : {1.25, 1.5}) {
        const QImage desktop = patternImage(int(320 * fraction), int(200 * fraction), 4);
        const auto pieces = splitDesktopImage(desktop, {display({0, 0, 320, 200}, 2)});
        ASSERT_TRUE(pieces && pieces->size() == 1);
        EXPECT_EQ(pieces->first(), desktop) << fraction;
    }
    // Beside it, an output at 1 is brought down from the picture's 1.5 to its own.
    const QImage desktop = patternImage(600, 150, 4);
    const auto pieces = splitDesktopImage(desktop, {display({0, 0, 200, 100}, 2), display({200, 0, 200, 100}, 1)});
    ASSERT_TRUE(pieces && pieces->size() == 2);
    EXPECT_EQ((*pieces)[0], desktop.copy(0, 0, 300, 150));
    EXPECT_EQ((*pieces)[1].size(), QSize(200, 100));
}

TEST(PortalDisplayCaptureSource, TheScreensAreReadFromThePortalAndARefusalIsToldApartFromAFailure)
{
    FakeDesktopPortal portal;
    if (!portal.isReady())
        GTEST_SKIP() << "no private D-Bus daemon could be started (dbus-daemon missing)";
    PortalDisplayCaptureSource source(portal.client());
    EXPECT_FALSE(source.mayReadScreen()) << "no portal on the bus";
    ASSERT_TRUE(portal.appear());
    EXPECT_TRUE(source.mayReadScreen());

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = snapshotPixelSize(screen->geometry(), screen->devicePixelRatio());
    const auto prepared = [&](const QImage& picture) {
        portal.screenshotImage = picture;
        std::optional<Preparation> answer;
        source.prepare([&](Preparation p) { answer = p; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 5000));
        return answer.value_or(Preparation::failed);
    };
    const QImage picture = patternImage(size.width(), size.height(), 5);
    ASSERT_EQ(prepared(picture), Preparation::ready);
    EXPECT_EQ(portal.calls.last().second.value(QStringLiteral("interactive")), QVariant(false));
    const auto display = source.displays().value(0);
    ASSERT_TRUE(display);
    EXPECT_EQ(source.capture(*display, size).convertToFormat(QImage::Format_RGB32), picture);
    source.release();
    EXPECT_TRUE(source.capture(*display, size).isNull());

    EXPECT_EQ(prepared(patternImage(size.width(), size.height() / 3)), Preparation::failed) << "not this layout";
    portal.screenshotResponse = 2;
    EXPECT_EQ(prepared(picture), Preparation::refused);
    portal.offersScreenshot = false;
    EXPECT_EQ(prepared(picture), Preparation::refused);
}
