#include "Models/ImageEditorViewModel.h"
#include "Output/ImageOutputController.h"
#include "Output/PinContentView.h"
#include "Output/PinFingerprint.h"
#include "Output/PinGeometry.h"
#include "Output/PinManager.h"
#include "Output/PinWindow.h"
#include "Platform/FloatingWindowDesktop.h"
#include "Platform/UserDefaults.h"

#include <tuple>

#include <QTest>
#include <QMenu>

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
        double margin = 0;
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
        // Larger than the visible frame: scaled down to fit it, aspect kept.
        {"too large", {1600, 1000}, std::nullopt, {10, 10}, QRectF(26, 25, 1400, 875)},
        // A tall capture (945 x 4663 inside 24-point margins): the picture shrinks, not the margins.
        {"tall capture", {993, 4711}, std::nullopt, {100, 100}, QRectF(116, 25, 215, 875), 24},
        {"tall restored", {993, 4711}, QRectF(1500, 0, 1800, 1000), {0, 0}, QRectF(2274.5, 0, 251, 1080), 24},
    };
    for (const Case& c : cases)
        EXPECT_EQ(initialPinFrame(c.size, c.saved, c.pointer, screens, kLeft, c.margin), c.expected) << c.name;
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
    // In the menu, each list marks its chosen value and shows no box beside the others.
    std::unique_ptr<QMenu> menu(third->contentView()->buildContextMenu(nullptr));
    QStringList marked;
    for (QMenu* list : menu->findChildren<QMenu*>())
        for (QAction* item : list->actions())
            if (item->isCheckable())
                marked << item->text() + (item->isChecked() ? QString() : QStringLiteral(" unchecked"));
    EXPECT_EQ(marked, (QStringList{QStringLiteral("50%"), QStringLiteral("24")}));
    for (PinWindow* w : {first, second, third})
        w->close();
}

TEST(PinWindows, WhereWindowsCannotBeFadedTheOpacityIsDrawnAndAnyWindowShapeKeepsTheImagesProportions)
{
    // A Wayland compositor: translucent windows, but no fading of a whole window.
    struct : FloatingWindowDesktop {
        bool drawsTranslucency() override { return true; }
        void keepOnEveryWorkspace(QWidget*) override {}
        bool fadesWindows() override { return false; }
    } desktop;
    FloatingWindowDesktop::setSharedForTesting(&desktop);
    const PinSettings stored = PinSettings::read(UserDefaults::standard());
    const struct {
        QSize window; // as asked for, or as a tiling compositor hands it out
        double opacity;
        QRectF card;
    } cases[] = {
        {{248, 148}, 0.5, {24, 24, 200, 100}},
        {{248, 148}, 1.0, {24, 24, 200, 100}},
        {{400, 400}, 0.75, {24, 112, 352, 176}},
        {{1000, 148}, 1.0, {400, 24, 200, 100}},
    };
    for (const auto& c : cases) {
        PinContentView view(filled({200, 100}, Qt::green), 1.0, true);
        view.resize(c.window);
        if (view.shadowEnabled()) // off: clean edges to look at
            view.applyMenuChoice(PinContentView::MenuChoice::shadow);
        view.applyMenuChoice(PinContentView::MenuChoice::opacity, c.opacity);
        EXPECT_EQ(view.cardRect(), c.card) << c.window.width() << "x" << c.window.height();
        EXPECT_EQ(view.windowOpacity(), 1.0) << "the window itself is not asked to fade";
        QImage shown(c.window, QImage::Format_ARGB32_Premultiplied);
        shown.fill(Qt::transparent);
        view.render(&shown);
        const QPoint inside = c.card.center().toPoint();
        EXPECT_NEAR(qAlpha(shown.pixel(inside)), c.opacity * 255, 1.5);
        EXPECT_EQ(qAlpha(shown.pixel(int(c.card.left()) - 2, int(c.card.top()) - 2)), 0) << "outside the card";
        EXPECT_EQ(qAlpha(shown.pixel(int(c.card.right()) + 2, int(c.card.bottom()) + 2)), 0) << "outside the card";
    }
    stored.save(UserDefaults::standard());
    FloatingWindowDesktop::setSharedForTesting(nullptr);
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

    // A capture far taller than the screen opens inside its work area, its aspect kept,
    // and stays there zoomed in and out, even dragged almost off the bottom first.
    PinWindow* tall = manager.presentPin(filled({945, 4663}, Qt::blue), 8);
    const QRect work = tall->screen()->availableGeometry();
    EXPECT_TRUE(work.contains(tall->geometry()));
    EXPECT_NEAR(tall->contentView()->displaySize().width() / tall->contentView()->displaySize().height(), 945.0 / 4663, 0.01);
    for (const double delta : {120.0, -120.0})
        for (int step = 0; step < 20; ++step) {
            tall->move(work.left() - 40, work.bottom() - 30);
            tall->contentView()->zoomByWheel(delta);
            EXPECT_TRUE(work.contains(tall->geometry())) << delta << " " << step;
        }
    tall->close();
}

TEST(PinWindows, APinClosedAtASizeTheWindowManagerForcedOnItLeavesTheNextPinItsOwnSize)
{
    const std::optional<QString> stored = UserDefaults::standard().string(QStringLiteral("pinLastFrame"));
    const auto savedFrame = [] {
        return usableFrameFromText(UserDefaults::standard().string(QStringLiteral("pinLastFrame")).value_or(QString()));
    };
    UserDefaults::standard().remove(QStringLiteral("pinLastFrame"));
    PinManager& manager = PinManager::shared();
    PinWindow* tiled = manager.presentPin(filled({400, 300}, Qt::red), 21);
    ASSERT_TRUE(tiled);
    const QSize own = tiled->size();
    const QRect work = tiled->screen()->availableGeometry();
    // A tiling compositor hands the pin half the screen, as a configure of its own.
    tiled->setGeometry(QRect(work.left(), work.top(), work.width() / 2, work.height()));
    ASSERT_EQ(tiled->size(), QSize(work.width() / 2, work.height()));
    tiled->close();
    const std::optional<QRectF> saved = savedFrame();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), QSizeF(own));

    // The next pin of the same picture opens at the size the first one chose.
    PinWindow* next = manager.presentPin(filled({400, 300}, Qt::red), 22);
    EXPECT_EQ(next->size(), own);
    // Zoomed by the user, its new size is its own and is what closing keeps.
    ASSERT_TRUE(next->contentView()->zoomByWheel(120));
    const QSize zoomed = next->size();
    EXPECT_GT(zoomed.width(), own.width());
    next->close();
    EXPECT_EQ(savedFrame().value_or(QRectF()).size(), QSizeF(zoomed));
    if (stored)
        UserDefaults::standard().set(QStringLiteral("pinLastFrame"), *stored);
    else
        UserDefaults::standard().remove(QStringLiteral("pinLastFrame"));
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
