// The displays of a Wayland session read through the compositor's screencopy: outputs
// paired with Qt's screens, each display at its own output's pixels, and the fallback
// taking over a preparation the compositor could not serve.

#include "Capture/ScreencopyDisplayCapture.h"
#include "CaptureTestSupport.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

using Preparation = DisplayCaptureSource::Preparation;
using WaylandScreencopy::OutputImage;

TEST(OutputImagesForScreens, PairsByNameElseByTheOneOutputInTheSamePlace)
{
    const QImage left = patternImage(40, 30, 1), right = patternImage(80, 60, 2), third = patternImage(20, 20, 3);
    const auto matches = [](const std::optional<QImage>& image, const QImage& expected) {
        return image && image->cacheKey() == expected.cacheKey();
    };
    // Named as Qt names them, listed in another order than Qt's screens.
    {
        const auto images = outputImagesForScreens({{"DP-1", {0, 0, 40, 30}}, {"HDMI-A-1", {40, 0, 40, 30}}},
                                                   {{"HDMI-A-1", {40, 0, 40, 30}, right}, {"DP-1", {0, 0, 40, 30}, left}});
        ASSERT_EQ(images.size(), 2);
        EXPECT_TRUE(matches(images[0], left));
        EXPECT_TRUE(matches(images[1], right));
    }
    // A name wins over a place another output shares (the layout changed meanwhile).
    {
        const auto images = outputImagesForScreens({{"DP-1", {0, 0, 40, 30}}},
                                                   {{"DP-2", {0, 0, 40, 30}, right}, {"DP-1", {40, 0, 40, 30}, left}});
        EXPECT_TRUE(matches(images.value(0), left));
    }
    // Names Qt did not hear: the place pairs them, unless two outputs share it (mirrored)
    // or none is there.
    {
        const auto images = outputImagesForScreens(
            {{"screen-a", {0, 0, 40, 30}}, {"screen-b", {40, 0, 40, 30}}, {"screen-c", {0, 30, 20, 20}}},
            {{"X-1", {0, 0, 40, 30}, left}, {"X-2", {40, 0, 40, 30}, right}, {"X-3", {40, 0, 40, 30}, third}});
        ASSERT_EQ(images.size(), 3);
        EXPECT_TRUE(matches(images[0], left));
        EXPECT_FALSE(images[1]);
        EXPECT_FALSE(images[2]);
    }
    // An output of that name without a picture pairs with nothing.
    EXPECT_FALSE(outputImagesForScreens({{"DP-1", {0, 0, 40, 30}}}, {{"DP-1", {0, 0, 40, 30}, QImage()}}).value(0));
}

namespace {

// What a source hands back once prepared, waited for as the main thread would.
std::optional<Preparation> prepareAndWait(DisplayCaptureSource& source)
{
    std::optional<Preparation> preparation;
    source.prepare([&](Preparation p) { preparation = p; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return preparation.has_value(); }, 10000));
    return preparation;
}

} // namespace

TEST(ScreencopyDisplayCapture, EachDisplayIsItsOutputsCopyAtTheOutputsOwnScale)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(screen);
    const QRect frame = screen->geometry();
    // An output at 1.5, which Qt reports as ratio 2 (or 1 here): the copy's own pixels.
    const QImage copy = patternImage(frame.width() * 3 / 2, frame.height() * 3 / 2, 5);
    const QThread* mainThread = QThread::currentThread();
    std::atomic<bool> grabbedOffMain{false};
    ScreencopyDisplayCaptureSource source(nullptr, [&] {
        grabbedOffMain = QThread::currentThread() != mainThread;
        return WaylandScreencopy::Capture{{{screen->name(), frame, copy}}, {}};
    });
    ASSERT_EQ(prepareAndWait(source), Preparation::ready);
    EXPECT_TRUE(grabbedOffMain) << "the compositor is waited for off the main thread";

    const auto displays = source.displays();
    ASSERT_EQ(displays.size(), QGuiApplication::screens().size());
    ASSERT_TRUE(displays[0]);
    EXPECT_DOUBLE_EQ(displays[0]->scale, 1.5);
    const QImage image = snapshotDisplay(source, *displays[0]);
    EXPECT_EQ(image.cacheKey(), copy.cacheKey()) << "the output's copy itself, neither scaled nor copied";

    // Released, the copy is gone; the displays are Qt's again.
    source.release();
    EXPECT_DOUBLE_EQ(source.displays().value(0)->scale, screen->devicePixelRatio());
    EXPECT_TRUE(source.capture(*displays[0], copy.size()).isNull());
}

TEST(ScreencopyDisplayCapture, AFailedCopyOrAScreenWithoutItsOutputLeavesThePreparationToTheFallback)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(screen);
    const QImage fallbackPicture = patternImage(64, 48, 7);
    for (const WaylandScreencopy::Capture& failed :
         {WaylandScreencopy::Capture{{}, QStringLiteral("the compositor failed to copy output X")},
          WaylandScreencopy::Capture{{{"another-output", QRect(-5000, 0, 10, 10), patternImage(10, 10, 1)}}, {}}}) {
        auto fallback = std::make_unique<FakeDisplaySource>();
        fallback->add(42, QRectF(0, 0, 64, 48), 1.0, fallbackPicture);
        FakeDisplaySource* portal = fallback.get();
        ScreencopyDisplayCaptureSource source(std::move(fallback), [&] { return failed; });
        ASSERT_EQ(prepareAndWait(source), Preparation::ready) << "the fallback's answer";
        const auto displays = source.displays();
        ASSERT_EQ(displays.size(), 1);
        EXPECT_EQ(displays[0]->number, 42u) << "the fallback's displays";
        EXPECT_EQ(snapshotDisplay(source, *displays[0]), fallbackPicture);
        EXPECT_EQ(portal->captures, 1);
        // The next preparation tries the compositor again.
        source.release();
        EXPECT_NE(source.displays().value(0)->number, 42u);
    }
    // Without a fallback the preparation fails, and says so once.
    int answers = 0;
    std::optional<Preparation> last;
    ScreencopyDisplayCaptureSource alone(nullptr, [] { return WaylandScreencopy::Capture{{}, QStringLiteral("gone")}; });
    alone.prepare([&](Preparation p) {
        ++answers;
        last = p;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return last.has_value(); }, 10000));
    // A second answer could only come from work still running or handed back: once the
    // pool is idle and every posted event has run, none is left to come.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(last, Preparation::failed);
}

TEST(ScreencopyDisplayCapture, ACopyThatFailsIsMadeAgainBeforeTheFallbackTakesOver)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(screen);
    const QRect frame = screen->geometry();
    const QImage copy = patternImage(frame.width(), frame.height(), 3);
    const QImage fallbackPicture = patternImage(64, 48, 7);
    // How many copies fail before one is made, and whose picture the preparation holds.
    const struct {
        int failures;
        bool fromCompositor;
    } cases[] = {{0, true}, {1, true}, {ScreencopyDisplayCaptureSource::copyAttempts - 1, true},
                 {ScreencopyDisplayCaptureSource::copyAttempts, false}};
    for (const auto& c : cases) {
        auto fallback = std::make_unique<FakeDisplaySource>();
        fallback->add(42, QRectF(0, 0, 64, 48), 1.0, fallbackPicture);
        std::atomic<int> grabs{0};
        ScreencopyDisplayCaptureSource source(std::move(fallback), [&] {
            if (grabs++ < c.failures)
                return WaylandScreencopy::Capture{{}, QStringLiteral("the compositor failed to copy output X")};
            return WaylandScreencopy::Capture{{{screen->name(), frame, copy}}, {}};
        });
        ASSERT_EQ(prepareAndWait(source), Preparation::ready) << c.failures;
        EXPECT_EQ(grabs, std::min(c.failures + 1, ScreencopyDisplayCaptureSource::copyAttempts)) << c.failures;
        const auto displays = source.displays();
        ASSERT_FALSE(displays.isEmpty());
        EXPECT_EQ(displays[0]->number == 42u, !c.fromCompositor) << c.failures;
        EXPECT_EQ(snapshotDisplay(source, *displays[0]).cacheKey() == copy.cacheKey(), c.fromCompositor) << c.failures;
    }
}
