#include "Capture/OverlayPickerView.h"
#include "Capture/ShadowCanvas.h"
#include "Capture/WindowPickerGeometry.h"
#include "Capture/WindowPickerOverlayController.h"
#include "CaptureTestSupport.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/UserDefaults.h"
#include "Platform/WindowImageSource.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

WindowRecord window(std::uint32_t id, QRectF frame)
{
    WindowRecord record;
    record.windowId = id;
    record.frame = frame;
    record.title = QStringLiteral("Window %1").arg(id);
    record.ownerName = QStringLiteral("App");
    return record;
}

TEST(WindowPickerGeometry, HitTestTakesTheFrontMostCandidateUnderThePoint)
{
    // Front-most first: 1 overlaps 2 on the right half of 2.
    const QList<WindowRecord> windows{window(1, QRectF(100, 0, 100, 100)), window(2, QRectF(0, 0, 200, 100))};
    const struct {
        QPointF point;
        std::optional<qsizetype> hit;
    } cases[] = {
        {{150, 50}, 0}, {{50, 50}, 1}, {{100, 0}, 0}, {{199.9, 99.9}, 0}, {{200, 50}, std::nullopt}, {{50, 100}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowPickerGeometry::hitWindow(windows, c.point), c.hit) << c.point.x() << "," << c.point.y();
}

TEST(WindowPickerGeometry, SizeLabelIsInPixelsRoundedHalfAwayFromZero)
{
    const struct {
        QSizeF frame;
        double scale;
        const char* label;
    } cases[] = {
        {{400, 300}, 1.0, "400 × 300"}, {{400, 300}, 1.25, "500 × 375"}, {{400, 300}, 2.0, "800 × 600"},
        {{100.2, 50.4}, 1.25, "125 × 63"}, {{400.7, 60}, 1.0, "401 × 60"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowPickerGeometry::sizeLabel(c.frame, c.scale), QString::fromUtf8(c.label)) << c.scale;
}

TEST(ShadowCanvas, MarginBlurAndOffsetScaleWithTheDisplayAndOneMarginPlacesTheImage)
{
    const struct {
        double scale;
        int margin;
        double blur;
        int offset;
    } cases[] = {{1.0, 40, 28, 8}, {1.25, 50, 35, 10}, {2.0, 80, 56, 16}, {1.33, 53, 37.24, 11}, {0.0, 40, 28, 8}};
    const QSize image(21, 13);
    for (const auto& c : cases) {
        const ShadowCanvas::Geometry g = ShadowCanvas::geometry(image, c.scale);
        EXPECT_EQ(g.margin, c.margin) << c.scale;
        EXPECT_DOUBLE_EQ(g.blur, c.blur) << c.scale;
        EXPECT_EQ(g.offsetY, c.offset) << c.scale;
        // No seam: the same whole margin on the far sides as on the near ones.
        EXPECT_EQ(g.imageOrigin, QPoint(c.margin, c.margin));
        EXPECT_EQ(g.canvasSize, QSize(21 + 2 * c.margin, 13 + 2 * c.margin)) << c.scale;
    }
}

TEST(ShadowCanvas, WindowSitsUnchangedOnATransparentCanvasWithItsShadowBelow)
{
    const QImage image = patternImage(120, 80, 3);
    for (const double scale : {1.0, 1.33}) {
        const auto canvas = ShadowCanvas::makeShadowCanvas(image, scale);
        ASSERT_TRUE(canvas);
        const ShadowCanvas::Geometry g = ShadowCanvas::geometry(image.size(), scale);
        ASSERT_EQ(canvas->size(), g.canvasSize);
        EXPECT_EQ(canvas->copy(QRect(g.imageOrigin, image.size())).convertToFormat(QImage::Format_RGB32), image);
        const QRect c = canvas->rect();
        for (const QPoint corner : {c.topLeft(), c.topRight(), c.bottomLeft(), c.bottomRight()})
            EXPECT_EQ(qAlpha(canvas->pixel(corner)), 0) << scale;
        // Just outside the window: the shadow is stronger below than above, and present
        // right beside the last column (no transparent seam).
        const int mid = g.margin + image.width() / 2;
        const int below = qAlpha(canvas->pixel(mid, g.margin + image.height() + 2));
        const int above = qAlpha(canvas->pixel(mid, g.margin - 3));
        EXPECT_GT(below, above + 20) << scale;
        EXPECT_GT(qAlpha(canvas->pixel(g.margin + image.width(), g.margin + image.height() / 2)), 40) << scale;
    }
}

// A window source that hands out a fixed picture, or an error, and notes its calls.
class FakeWindowSource final : public WindowImageSource {
public:
    FakeWindowSource() { setForTesting(this); }
    ~FakeWindowSource() override { setForTesting(nullptr); }
    void prepare(std::uint32_t id) override { calls << QStringLiteral("prepare %1").arg(id); }
    void release() override { calls << QStringLiteral("release"); }
    WindowImage capture(std::uint32_t id, bool) override
    {
        calls << QStringLiteral("capture %1").arg(id);
        return error ? WindowImage{{}, error} : WindowImage{image, std::nullopt};
    }
    QStringList calls;
    QImage image = patternImage(60, 40, 5);
    std::optional<WindowImageError> error;
};

class WindowPickerSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralForTesting(&pasteboard);
        UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
        display.add(1, QRectF(0, 0, 300, 200), 1.0, patternImage(300, 200, 1));
        controller.setRepaintSettleMsForTesting(0);
        controller.setCandidatesForTesting([this] { return candidates; });
        controller.setMainWindowProvider([this] { return &mainWindow; });
        for (QWidget* w : {&mainWindow, &panel}) {
            w->show();
            w->installEventFilter(&showOrder);
        }
    }
    void TearDown() override { Pasteboard::setGeneralForTesting(nullptr); }

    OverlayPickerView* start()
    {
        controller.begin();
        QTest::qWait(10);
        return controller.overlayViews().value(0);
    }
    void click(OverlayPickerView* view, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        view->updateHover(at);
        QTest::mouseClick(view, button, {}, at);
    }
    bool waitForEnd() { return QTest::qWaitFor([&] { return !controller.isSessionActive(); }, 5000); }

    ShowOrder showOrder;
    InMemoryPasteboard pasteboard;
    RecordingAlerts alerts;
    FakeDisplaySource display;
    FakeWindowSource windows;
    QList<WindowRecord> candidates{window(7, QRectF(20, 20, 100, 80)), window(8, QRectF(0, 0, 250, 150))};
    QWidget mainWindow;
    QWidget panel;
    WindowPickerOverlayController controller;
};

TEST_F(WindowPickerSessionTest, EscapeAndRightClickCancelAndBringTheHiddenWindowsBackInReverse)
{
    for (const bool escape : {true, false}) {
        showOrder.shown.clear();
        OverlayPickerView* view = start();
        ASSERT_TRUE(view);
        EXPECT_FALSE(mainWindow.isVisible());
        EXPECT_FALSE(panel.isVisible());
        QList<QObject*> reversed;
        for (const auto& hidden : controller.hiddenWindows())
            reversed.prepend(hidden.data());
        controller.begin(); // a second start while one runs changes nothing
        EXPECT_EQ(controller.overlayViews().size(), 1);
        if (escape)
            QTest::keyClick(view, Qt::Key_Escape);
        else
            click(view, QPoint(200, 100), Qt::RightButton);
        EXPECT_FALSE(controller.isSessionActive());
        EXPECT_TRUE(controller.overlayViews().isEmpty());
        EXPECT_EQ(reversed.size(), 2);
        EXPECT_EQ(showOrder.shown, reversed);
        EXPECT_EQ(windows.calls.last(), QStringLiteral("release"));
    }
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
}

TEST_F(WindowPickerSessionTest, ClickCapturesTheFrontWindowAndLeavesTheMainWindowToTheDelivery)
{
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), true);
    OverlayPickerView* view = start();
    ASSERT_TRUE(view);
    click(view, QPoint(50, 50)); // over both candidates: the front one is taken
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    controller.begin(); // ignored while the picked window is being captured
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    ASSERT_TRUE(waitForEnd());
    // Where the pointer entered the overlay first may have prepared another window.
    EXPECT_EQ(windows.calls.mid(windows.calls.size() - 3), (QStringList{"prepare 7", "capture 7", "release"}));
    // Where the window sits on its shadowed canvas is the end-to-end window capture's check.
    EXPECT_TRUE(pasteboard.data(Pasteboard::pngType));
    EXPECT_TRUE(panel.isVisible());
    EXPECT_FALSE(mainWindow.isVisible()) << "the delivery brings the main window forward itself";
    EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(WindowPickerSessionTest, FailuresSayWhyAndBringEveryHiddenWindowBack)
{
    const struct {
        std::optional<WindowImageError> error;
        bool noCandidates;
        const char* key;
    } cases[] = {
        {WindowImageError::windowGone, false, "capture.error.reason.windowGone"},
        {WindowImageError::unreadable, false, "capture.error.reason.windowUnreadable"},
        {std::nullopt, true, "windowPicker.empty"},
    };
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), true);
    for (const auto& c : cases) {
        alerts.alerts.clear();
        windows.error = c.error;
        candidates = c.noCandidates ? QList<WindowRecord>{} : QList<WindowRecord>{window(9, QRectF(0, 0, 100, 100))};
        OverlayPickerView* view = start();
        if (view)
            click(view, QPoint(10, 10));
        ASSERT_TRUE(waitForEnd());
        EXPECT_TRUE(mainWindow.isVisible() && panel.isVisible()) << c.key;
        ASSERT_EQ(alerts.alerts.size(), 1u);
        const QString expected = localized(QString::fromLatin1(c.key));
        EXPECT_TRUE(alerts.alerts[0].title == expected || alerts.alerts[0].text.contains(expected)) << c.key;
        EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    }
}

} // namespace
