#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "Output/PinContentView.h"
#include "Output/PinFingerprint.h"
#include "Output/PinGeometry.h"
#include "Output/PinManager.h"
#include "Output/PinWindow.h"
#include "Platform/UserDefaults.h"

#include <tuple>

#include <QTest>
#include <gtest/gtest.h>

using namespace PinGeometry;

namespace {

const ScreenArea kLeft{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)};
const ScreenArea kRight{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1080)};

QImage filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

} // namespace

TEST(PinGeometry, NewPinsOpenWhereTheLastClosedOrBesideThePointerOnAVisibleScreen)
{
    const QList<ScreenArea> screens{kLeft, kRight};
    struct Case {
        const char* name;
        QSizeF size;
        std::optional<QRectF> saved;
        QPointF pointer;
        QRectF expected;
    };
    const Case cases[] = {
        // The area of a 400 x 300 frame in the new pin's aspect: 424 x 283 around the same centre.
        {"restored", {300, 200}, QRectF(500, 300, 400, 300), {0, 0}, QRectF(488, 308.5, 424, 283)},
        // Restored near the right edge of the right screen: pushed back inside.
        {"restored clamped", {300, 200}, QRectF(3000, 500, 400, 300), {0, 0}, QRectF(2936, 508.5, 424, 283)},
        // A saved frame centred off every screen: the pointer decides.
        {"saved off screen", {200, 150}, QRectF(-900, -900, 400, 300), {100, 100}, QRectF(116, 116, 200, 150)},
        {"beside pointer", {200, 150}, std::nullopt, {100, 100}, QRectF(116, 116, 200, 150)},
        // Near the bottom right corner of the left screen: inside its visible frame.
        {"pointer near edge", {200, 150}, std::nullopt, {1400, 880}, QRectF(1240, 750, 200, 150)},
        // Larger than the visible frame: its top and right edges on the frame's.
        {"too large", {1600, 1000}, std::nullopt, {10, 10}, QRectF(-160, 25, 1600, 1000)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(initialPinFrame(c.size, c.saved, c.pointer, screens, kLeft), c.expected) << c.name;
    // No screen at all: at the pointer, unclamped.
    EXPECT_EQ(initialPinFrame({200, 150}, std::nullopt, {5000, 5000}, {}, std::nullopt), QRectF(5016, 5016, 200, 150));
}

TEST(PinGeometry, StoredFramesAreReadBackAndSmallOrGarbledOnesIgnored)
{
    const QRectF frame(12.5, -40, 548, 348);
    EXPECT_EQ(usableFrameFromText(frameText(frame)), frame);
    EXPECT_EQ(frameText(QRectF(0, 0, 1920, 1080)), QStringLiteral("{{0, 0}, {1920, 1080}}"));
    for (const char* text : {"{{0, 0}, {10, 500}}", "{{0, 0}, {500, 10.0}}", "", "{{0, 0}, {nan, 5}}", "0 0 100 100"})
        EXPECT_FALSE(usableFrameFromText(QString::fromLatin1(text))) << text;
}

TEST(PinGeometry, WheelStepsZoomByFivePercentWithinTheirLimits)
{
    struct Case {
        QSizeF from;
        double delta;
        QSizeF limit;
        std::optional<QSizeF> expected;
    };
    const QSizeF big(2000, 2000);
    const Case cases[] = {
        {{500, 300}, 120, big, QSizeF(525, 315)},
        {{500, 300}, -120, big, QSizeF(500 / 1.05, 300 / 1.05)},
        {{500, 300}, 0, big, std::nullopt}, // a sideways scroll
        {{1400, 300}, 120, {1440, 875}, QSizeF(1440, 300 * 1440 / 1400.0)},
        {{1440, 300 * 1440 / 1400.0}, 120, {1440, 875}, std::nullopt},
        {{60, 30}, 120, big, QSizeF(80, 40)},
        {{60, 30}, -120, big, QSizeF(80, 40)},
        {{84, 42}, -120, big, QSizeF(80, 40)},
        {{80, 40}, -120, big, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<QSizeF> zoomed = zoomedDisplaySize(c.from, c.delta, c.limit);
        ASSERT_EQ(zoomed.has_value(), c.expected.has_value()) << c.from.width() << " " << c.delta;
        if (zoomed) {
            EXPECT_NEAR(zoomed->width(), c.expected->width(), 0.01);
            EXPECT_NEAR(zoomed->height(), c.expected->height(), 0.01);
        }
    }
}

TEST(PinFingerprint, CoversThePixelsEveryAnnotationFieldTheRotationAndTheBackdrop)
{
    AnnotationManager annotations;
    const Image red(filled({40, 30}, Qt::red));
    const qint64 base = pinFingerprint(red, annotations, 0.0, std::nullopt);
    EXPECT_EQ(pinFingerprint(Image(filled({40, 30}, Qt::red)), annotations, -0.0, std::nullopt), base);
    // Same size, other pixels: another pin.
    EXPECT_NE(pinFingerprint(Image(filled({40, 30}, Qt::blue)), annotations, 0.0, std::nullopt), base);
    EXPECT_NE(pinFingerprint(red, annotations, 90.0, std::nullopt), base);
    EXPECT_NE(pinFingerprint(red, annotations, 0.0, BackdropParameters{}), base);
    const BackdropParameters padded{.padding = 40};
    EXPECT_NE(pinFingerprint(red, annotations, 0.0, padded), pinFingerprint(red, annotations, 0.0, BackdropParameters{}));

    ArrowAnnotation arrow{.startPoint = {0.1, 0.1}, .endPoint = {0.5, 0.5}, .lineWidth = 3};
    annotations.setArrows({arrow});
    const qint64 withArrow = pinFingerprint(red, annotations, 0.0, std::nullopt);
    EXPECT_NE(withArrow, base);
    arrow.isSelected = true;
    annotations.setArrows({arrow});
    EXPECT_NE(pinFingerprint(red, annotations, 0.0, std::nullopt), withArrow);
}

TEST(PinSettings, StoredValuesOutOfRangeReadAsTheirDefaults)
{
    UserDefaults& defaults = UserDefaults::standard();
    const std::tuple<const char*, QVariant, double> cases[] = {
        {"pinOpacity", QVariant(), 1.0},      {"pinOpacity", 0.2, 1.0},      {"pinOpacity", 1.5, 1.0},
        {"pinOpacity", 0.3, 0.3},             {"pinCornerRadius", QVariant(), 10.0}, {"pinCornerRadius", 45.0, 10.0},
        {"pinCornerRadius", -1.0, 10.0},      {"pinCornerRadius", 0.0, 0.0},
    };
    for (const auto& [key, stored, expected] : cases) {
        defaults.set(QString::fromLatin1(key), stored);
        const PinSettings read = PinSettings::read(defaults);
        EXPECT_EQ(QByteArray(key) == "pinOpacity" ? read.opacity : read.cornerRadius, expected)
            << key << " " << stored.toString().toStdString();
    }
    EXPECT_TRUE(PinSettings::read(defaults).shadowEnabled);
    defaults.set(QStringLiteral("pinShadowEnabled"), false);
    EXPECT_FALSE(PinSettings::read(defaults).shadowEnabled);
}

TEST(PinWindows, MenuChoicesChangeTheirPinAndTheNextOnesOnly)
{
    PinManager& manager = PinManager::shared();
    PinWindow* first = manager.presentPin(filled({200, 100}, Qt::green), 1);
    PinWindow* second = manager.presentPin(filled({200, 100}, Qt::green), 2);
    ASSERT_TRUE(first && second);
    // Offscreen there is no compositor: the card fills the window, at one point per pixel.
    EXPECT_EQ(first->size(), QSize(200, 100));
    EXPECT_EQ(first->contentView()->cornerRadius(), 10.0);

    first->contentView()->applyMenuChoice(PinContentView::MenuChoice::opacity, 0.5);
    first->contentView()->applyMenuChoice(PinContentView::MenuChoice::cornerRadius, 24);
    first->contentView()->applyMenuChoice(PinContentView::MenuChoice::shadow);
    EXPECT_NEAR(first->windowOpacity(), 0.5, 0.01);
    EXPECT_EQ(second->contentView()->opacity(), 1.0);
    EXPECT_EQ(second->contentView()->cornerRadius(), 10.0);
    EXPECT_TRUE(second->contentView()->shadowEnabled());

    PinWindow* third = manager.presentPin(filled({200, 100}, Qt::green), 3);
    EXPECT_EQ(third->contentView()->opacity(), 0.5);
    EXPECT_EQ(third->contentView()->cornerRadius(), 24.0);
    EXPECT_FALSE(third->contentView()->shadowEnabled());
    for (PinWindow* w : {first, second, third})
        w->close();
}

TEST(PinWindows, TheManagerCountsOpenPinsAndKeepsTheLatestOfEachFingerprint)
{
    PinManager& manager = PinManager::shared();
    QList<int> counts;
    QObject listening; // ends the connection with the test
    QObject::connect(&manager, &PinManager::activePinCountChanged, &listening, [&](int n) { counts << n; });
    EXPECT_EQ(manager.presentPin(QImage(), 7), nullptr); // no pixels, no pin
    PinWindow* older = manager.presentPin(filled({120, 90}, Qt::red), 7);
    PinWindow* newer = manager.presentPin(filled({120, 90}, Qt::red), 7);
    EXPECT_EQ(manager.pinWindow(7), newer);
    older->close();
    EXPECT_EQ(manager.pinWindow(7), newer);
    newer->move(300, 200);
    newer->contentView()->zoomByWheel(120); // 126 x 94.5 around the same centre
    newer->close();
    EXPECT_EQ(manager.pinWindow(7), nullptr);
    EXPECT_EQ(counts, QList<int>({1, 2, 1, 0}));
    EXPECT_EQ(UserDefaults::standard().string(QStringLiteral("pinLastFrame")),
              QStringLiteral("{{297, 198}, {126, 95}}"));
}

TEST(PinWindows, ThePinCommandRendersOffTheMainThreadAndClosesThePinOfUnchangedContent)
{
    ImageEditorViewModel model;
    model.setIsBackdropEnabled(false);
    model.setLoadedImage(Image(filled({64, 48}, Qt::darkCyan)), QUrl());
    model.setRotation(90.0);
    ImageOutputController controller(model);
    controller.pinToScreen();
    // Ignored while the first renders (one done already has opened the pin: this would close it).
    if (model.isExporting())
        controller.pinToScreen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return PinManager::shared().activePinCount() == 1; }, 10000));
    EXPECT_EQ(PinManager::shared().pinWindows().first()->size(), QSize(48, 64)); // turned
    controller.pinToScreen();
    EXPECT_EQ(PinManager::shared().activePinCount(), 0);
}
