#include "Capture/CapturePng.h"
#include "Capture/LastSelectionRecord.h"
#include "Capture/SelectionGeometry.h"
#include "Capture/SelectionOverlayController.h"
#include "Capture/SelectionOverlayView.h"
#include "CaptureTestSupport.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/InMemoryPasteboard.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class SelectionSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralForTesting(&pasteboard);
        UserDefaults::standard().set(Settings::captureOpensEditor.name(), false);
        LastSelectionRecord::clear(UserDefaults::standard());
        source.add(7, QRectF(0, 0, 200, 100), 1.0, imageA);
        source.add(9, QRectF(200, 0, 100, 60), 2.0, imageB);
        controller.setRepaintSettleMsForTesting(0);
        NotificationCenter::defaultCenter().addObserver(Notifications::captureDeliveryRequested, &context,
                                                        [this](const auto&) { ++deliveries; });
    }
    void TearDown() override
    {
        Pasteboard::setGeneralForTesting(nullptr);
        setCapturePngEncoderForTesting({});
    }

    void startSession()
    {
        controller.rememberFrontmostApp(); // the freeze follows the repaint pause
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller.overlayViews().size() == 2; }, 5000));
    }

    // QTest::mouseMove treats (0, 0) as "the centre", so corners get a real event.
    static void hover(SelectionOverlayView* v, QPointF at)
    {
        QMouseEvent move(QEvent::MouseMove, at, v->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(v, &move);
    }

    SelectionOverlayView* view(int index) { return controller.overlayViews().at(index); }

    // The PNG is made on a worker; the session ends when it has been handed back.
    bool waitForHandBack() { return QTest::qWaitFor([&] { return !controller.isSessionActive(); }, 5000); }

    void drag(SelectionOverlayView* v, QPoint from, QPoint to)
    {
        QTest::mousePress(v, Qt::LeftButton, {}, from);
        QTest::mouseMove(v, (from + to) / 2);
        QTest::mouseMove(v, to);
        QTest::mouseRelease(v, Qt::LeftButton, {}, to);
    }

    QImage clipboardImage() const
    {
        const auto data = pasteboard.data(Pasteboard::pngType);
        if (!data)
            return {};
        return QImage::fromData(*data, "PNG").convertToFormat(QImage::Format_RGB32);
    }

    InMemoryPasteboard pasteboard;
    RecordingAlerts alerts;
    FakeDisplaySource source;
    const QImage imageA = patternImage(200, 100, 1);
    const QImage imageB = patternImage(200, 120, 2);
    SelectionOverlayController controller;
    QObject context;
    int deliveries = 0;
};

} // namespace

TEST_F(SelectionSessionTest, DragOnASecondDisplayPutsExactlyThatRegionOnTheClipboard)
{
    QWidget lumetraWindow;
    lumetraWindow.show();
    startSession();
    EXPECT_TRUE(controller.isSessionActive());
    EXPECT_FALSE(lumetraWindow.isVisible()) << "own windows are hidden before the displays are frozen";
    EXPECT_EQ(source.captures, 2);
    EXPECT_EQ(source.lastRequestedSize, QSize(200, 120));
    EXPECT_TRUE(view(1)->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(view(1)->windowFlags().testFlag(Qt::FramelessWindowHint));

    // A second start while the session runs changes nothing.
    controller.rememberFrontmostApp();
    EXPECT_EQ(controller.overlayViews().size(), 2);
    EXPECT_EQ(source.captures, 2);

    drag(view(1), QPoint(40, 30), QPoint(10, 5));
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(clipboardImage(), imageB.copy(20, 10, 60, 50));
    EXPECT_TRUE(lumetraWindow.isVisible());

    EXPECT_EQ(UserDefaults::standard().string(Settings::lastSelectionRect.name()), QStringLiteral("{{210, 5}, {30, 25}}"));
    EXPECT_EQ(UserDefaults::standard().integer(Settings::lastSelectionDisplay.name()), 9);
    EXPECT_EQ(deliveries, 0) << "captureOpensEditor is off";
}

TEST_F(SelectionSessionTest, TooSmallDragIsDroppedAndADragEndOutsideTheDisplayStopsAtItsEdge)
{
    startSession();
    drag(view(0), QPoint(10, 10), QPoint(19, 50));
    EXPECT_TRUE(controller.isSessionActive());
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    drag(view(0), QPoint(10, 10), QPoint(20, 20));
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(clipboardImage(), imageA.copy(10, 10, 10, 10));

    startSession();
    drag(view(0), QPoint(150, 60), QPoint(400, 300));
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(clipboardImage(), imageA.copy(150, 60, 50, 40));
}

TEST_F(SelectionSessionTest, EscapeCancelsAndBringsLumetrasWindowsBack)
{
    QWidget first;
    QWidget second;
    first.show();
    second.show();
    startSession();
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(second.isVisible());
    const qint64 count = pasteboard.changeCount();
    QTest::keyClick(view(1), Qt::Key_Escape);
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    EXPECT_TRUE(first.isVisible());
    EXPECT_TRUE(second.isVisible());
    EXPECT_EQ(pasteboard.changeCount(), count);
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));

    // Shift-Escape is left to the view, which still cancels; so does a right click.
    startSession();
    QKeyEvent shiftEscape(QEvent::KeyPress, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_FALSE(controller.handleKeyDown(&shiftEscape));
    EXPECT_TRUE(controller.isSessionActive());
    QTest::keyClick(view(0), Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_FALSE(controller.isSessionActive());
    startSession();
    QTest::mouseClick(view(0), Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
}

TEST_F(SelectionSessionTest, ColourPickerReportsThePixelUnderThePointerAtTheDisplayEdges)
{
    // Without a hover (the pointer off the overlays when they open) the keys pass on.
    QCursor::setPos(400, 300);
    startSession();
    QKeyEvent c(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier);
    EXPECT_FALSE(controller.handleKeyDown(&c));
    EXPECT_FALSE(pasteboard.text());
    SelectionOverlayView* a = view(0);
    for (const QPoint at : {QPoint(0, 0), QPoint(2, 97), QPoint(199, 99), QPoint(120, 40)}) {
        hover(a, at);
        ASSERT_EQ(controller.loupeActiveView(), a);
        const QString expected = SelectionGeometry::hexColorText(imageA.pixelColor(at));
        EXPECT_EQ(a->readoutText(), expected) << at.x() << "," << at.y();
        QTest::keyClick(a, Qt::Key_C);
        EXPECT_EQ(pasteboard.text(), expected);
        EXPECT_EQ(a->readoutText(), localized(QStringLiteral("capture.colorPicker.copied")));
        // V shows the decimal form and ends the feedback; C still copies hexadecimal.
        QTest::keyClick(a, Qt::Key_V);
        EXPECT_EQ(a->readoutText(), SelectionGeometry::rgbColorText(imageA.pixelColor(at)));
        QTest::keyClick(a, Qt::Key_C);
        EXPECT_EQ(pasteboard.text(), expected);
        QTest::keyClick(a, Qt::Key_V);
    }
    EXPECT_TRUE(controller.isSessionActive());

    // The copied feedback ends after a short while.
    QTest::keyClick(a, Qt::Key_C);
    EXPECT_TRUE(a->copiedFeedback);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !a->copiedFeedback; }, 5000));
}

TEST_F(SelectionSessionTest, FailedFreezeRestoresWindowsAndEndsTheSession)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // no portal: the fallback reports it cannot start
    QWidget window;
    window.show();
    source.failCaptures = true;
    controller.rememberFrontmostApp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.alerts.empty(); }, 5000));
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_TRUE(alerts.alerts[0].text.startsWith(localized(QStringLiteral("capture.error.failed"))));
    EXPECT_TRUE(alerts.alerts[0].text.contains(localized(QStringLiteral("capture.error.reason.noSessionBus"))))
        << alerts.alerts[0].text.toStdString();
}

TEST_F(SelectionSessionTest, CropAndEncodingFailuresSayTheCaptureFailedNotTheTool)
{
    QWidget window;
    window.show();
    startSession();
    const FrozenScreenRecord record = view(0)->record();
    controller.finishSelection(QRectF(5000, 5000, 20, 20), record);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, localized(QStringLiteral("capture.error.title")));
    EXPECT_FALSE(alerts.alerts[0].text.contains(localized(QStringLiteral("capture.error.failed"))));
    EXPECT_EQ(alerts.alerts[0].text,
              localizedFormat(QStringLiteral("capture.error.captureFailed"),
                              {localized(QStringLiteral("capture.error.reason.outsideDisplay"))}));
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));

    setCapturePngEncoderForTesting([](const QImage&) { return std::optional<QByteArray>(); });
    startSession();
    drag(view(0), QPoint(10, 10), QPoint(60, 60));
    ASSERT_TRUE(waitForHandBack());
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_FALSE(alerts.alerts[1].text.contains(localized(QStringLiteral("capture.error.failed"))));
    EXPECT_EQ(alerts.alerts[1].text,
              localizedFormat(QStringLiteral("capture.error.captureFailed"),
                              {localized(QStringLiteral("capture.error.reason.encoding"))}));
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
}

TEST_F(SelectionSessionTest, RepeatGivesTheSamePixelsAndHidesOnlyOverlappingWindows)
{
    startSession();
    drag(view(1), QPoint(10, 5), QPoint(40, 30));
    ASSERT_TRUE(waitForHandBack());
    const QImage first = clipboardImage();
    ASSERT_FALSE(first.isNull());

    QWidget over;
    QWidget away;
    over.setGeometry(205, 0, 50, 50);  // meets the area (210, 5, 30, 25)
    away.setGeometry(0, 0, 100, 50);
    over.show();
    away.show();
    bool overVisibleAtGrab = true;
    bool awayVisibleAtGrab = false;
    source.onCapture = [&] {
        overVisibleAtGrab = over.isVisible();
        awayVisibleAtGrab = away.isVisible();
    };
    pasteboard.clearContents();
    controller.repeatLastSelection();
    ASSERT_TRUE(waitForHandBack());
    EXPECT_FALSE(overVisibleAtGrab);
    EXPECT_TRUE(awayVisibleAtGrab);
    EXPECT_TRUE(over.isVisible());
    EXPECT_EQ(clipboardImage(), first);
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_TRUE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
}

TEST_F(SelectionSessionTest, RepeatClearsAnUnusableRecordButKeepsOneAfterAPassingGrabFailure)
{
    // A display number that is no number, and a display that went away.
    UserDefaults::standard().set(Settings::lastSelectionRect.name(), QStringLiteral("{{0, 0}, {50, 50}}"));
    UserDefaults::standard().set(Settings::lastSelectionDisplay.name(), QStringLiteral("seven"));
    controller.repeatLastSelection();
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionDisplay.name()));
    EXPECT_EQ(source.captures, 0);
    EXPECT_FALSE(controller.isSessionActive());
    LastSelectionRecord::store(UserDefaults::standard(), LastSelection{QRectF(0, 0, 50, 50), 12345});
    controller.repeatLastSelection();
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));

    LastSelectionRecord::store(UserDefaults::standard(), LastSelection{QRectF(10, 10, 50, 50), 7});
    source.failCaptures = true;
    controller.repeatLastSelection();
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_TRUE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));

    source.failCaptures = false;
    setCapturePngEncoderForTesting([](const QImage&) { return std::optional<QByteArray>(); });
    controller.repeatLastSelection();
    ASSERT_TRUE(waitForHandBack());
    EXPECT_TRUE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    setCapturePngEncoderForTesting({});

    // The display's arrangement changed: the stored area no longer meets it.
    LastSelectionRecord::store(UserDefaults::standard(), LastSelection{QRectF(900, 900, 50, 50), 7});
    controller.repeatLastSelection();
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    EXPECT_TRUE(alerts.alerts.empty()) << "a repeat never shows an alert";
}

TEST_F(SelectionSessionTest, PngIsMadeOffTheMainThreadAndTheStepsRunInOrderWhenItIsBack)
{
    UserDefaults::standard().set(Settings::captureOpensEditor.name(), true);
    QWidget mainWindow;
    QWidget other;
    mainWindow.show();
    other.show();
    controller.setMainWindowProvider([&] { return &mainWindow; });
    GatedEncoder encoder;

    // What the delivery finds when it runs: the clipboard written and the area
    // remembered before it, the hidden windows still hidden.
    bool clipboardWrittenAtDelivery = false;
    bool recordStoredAtDelivery = false;
    bool otherVisibleAtDelivery = true;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(Notifications::captureDeliveryRequested, &observer,
                                                    [&](const auto&) {
                                                        clipboardWrittenAtDelivery = !clipboardImage().isNull();
                                                        recordStoredAtDelivery = UserDefaults::standard().hasStoredValue(
                                                            Settings::lastSelectionRect.name());
                                                        otherVisibleAtDelivery = other.isVisible();
                                                    });

    startSession();
    drag(view(0), QPoint(10, 10), QPoint(60, 40));
    // The overlays are gone at once; everything after the encoding waits for it.
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    QTest::qWait(30);
    EXPECT_TRUE(controller.isSessionActive());
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_EQ(deliveries, 0);
    EXPECT_FALSE(other.isVisible());

    // A new area capture or a repeat asked for meanwhile is ignored, so neither can
    // take the first one's hidden windows or result for its own.
    controller.rememberFrontmostApp();
    controller.repeatLastSelection();
    QTest::qWait(20);
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    EXPECT_EQ(source.captures, 2);

    encoder.release();
    ASSERT_TRUE(waitForHandBack());
    EXPECT_FALSE(encoder.ranOnMainThread);
    EXPECT_EQ(clipboardImage(), imageA.copy(10, 10, 50, 30));
    EXPECT_EQ(deliveries, 1);
    EXPECT_TRUE(clipboardWrittenAtDelivery);
    EXPECT_TRUE(recordStoredAtDelivery);
    EXPECT_FALSE(otherVisibleAtDelivery);
    EXPECT_TRUE(other.isVisible());
    EXPECT_FALSE(mainWindow.isVisible()) << "the delivery brings the main window forward itself";
    EXPECT_TRUE(alerts.alerts.empty());

    // A repeat holds the session the same way until its PNG is back.
    encoder.close();
    controller.repeatLastSelection();
    QTest::qWait(30);
    EXPECT_TRUE(controller.isSessionActive());
    controller.rememberFrontmostApp();
    QTest::qWait(20);
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    encoder.release();
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(deliveries, 2);
    EXPECT_EQ(clipboardImage(), imageA.copy(10, 10, 50, 30));
}

TEST_F(SelectionSessionTest, AResultOvertakenByANewerSelectionIsDropped)
{
    GatedEncoder encoder(QSize(30, 20)); // only the first selection's encoding waits
    startSession();
    const FrozenScreenRecord record = view(0)->record();
    controller.finishSelection(QRectF(5, 5, 30, 20), record);
    controller.finishSelection(QRectF(100, 50, 40, 40), record);
    ASSERT_TRUE(encoder.waitUntilFinished(1));
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(clipboardImage(), imageA.copy(100, 50, 40, 40));

    encoder.release();
    ASSERT_TRUE(encoder.waitUntilFinished(2));
    QTest::qWait(30);
    EXPECT_EQ(clipboardImage(), imageA.copy(100, 50, 40, 40)) << "the older crop landed after the newer one";
    EXPECT_EQ(UserDefaults::standard().string(Settings::lastSelectionRect.name()), QStringLiteral("{{100, 50}, {40, 40}}"));
    EXPECT_FALSE(controller.isSessionActive());
}

TEST_F(SelectionSessionTest, AControllerGoneBeforeItsPngIsBackLeavesTheClipboardAlone)
{
    GatedEncoder encoder;
    startSession();
    const FrozenScreenRecord record = view(0)->record();
    QTest::keyClick(view(0), Qt::Key_Escape);
    auto* doomed = new SelectionOverlayController;
    doomed->finishSelection(QRectF(10, 10, 40, 40), record);
    delete doomed;
    encoder.release();
    ASSERT_TRUE(encoder.waitUntilFinished(1));
    QTest::qWait(30);
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
}

TEST_F(SelectionSessionTest, ADesktopThatAnswersLaterOrRefusesIsWaitedForOrAnsweredWithThePermissionAlert)
{
    // The overlays go up only once the desktop has handed the displays over.
    source.deferPrepare = true;
    controller.rememberFrontmostApp();
    QTest::qWait(50);
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    EXPECT_TRUE(controller.isSessionActive()) << "a second start is ignored while the desktop is asked";
    source.answerPrepare(DisplayCaptureSource::Preparation::ready);
    EXPECT_EQ(controller.overlayViews().size(), 2);
    EXPECT_EQ(source.releases, 1) << "the pictures are held by the records, not the source";
    controller.cancelSession();

    // Refused: our windows come back, no overlay, no fallback tool, the permission alert.
    QWidget window;
    window.show();
    controller.rememberFrontmostApp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(source.pendingPrepare); }, 5000));
    EXPECT_FALSE(window.isVisible());
    source.answerPrepare(DisplayCaptureSource::Preparation::refused);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].text, localized(QStringLiteral("capture.permission.portalMessage")));

    // A repeat refused the same way keeps its record.
    LastSelectionRecord::store(UserDefaults::standard(), LastSelection{QRectF(10, 10, 50, 50), 7});
    controller.repeatLastSelection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(source.pendingPrepare); }, 5000));
    source.answerPrepare(DisplayCaptureSource::Preparation::refused);
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(source.captures, 2) << "nothing was read after the refusal";
    EXPECT_TRUE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(SelectionSessionTest, ADesktopThatStopsAnsweringEndsTheCaptureWithOneAlertAndTriesNothingElse)
{
    QWidget window;
    window.show();
    source.deferPrepare = true;
    controller.rememberFrontmostApp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(source.pendingPrepare); }, 5000));
    source.answerPrepare(DisplayCaptureSource::Preparation::unanswered);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(controller.isSessionActive()) << "a new capture may start";
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    ASSERT_EQ(alerts.alerts.size(), 1u) << "told, and no other tool asked of the same silent desktop";
    EXPECT_TRUE(alerts.alerts[0].text.contains(localized(QStringLiteral("capture.error.reason.portalNotAnswering"))));

    // A repeat meets the same silence: told as well, its record kept for later.
    LastSelectionRecord::store(UserDefaults::standard(), LastSelection{QRectF(10, 10, 50, 50), 7});
    controller.repeatLastSelection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(source.pendingPrepare); }, 5000));
    source.answerPrepare(DisplayCaptureSource::Preparation::unanswered);
    EXPECT_FALSE(controller.isSessionActive());
    EXPECT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(source.captures, 0);
    EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    EXPECT_TRUE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
}

TEST_F(SelectionSessionTest, ARepeatWithNoAreaToTakeLetsTheUserChooseOneWhichTheNextRepeatTakes)
{
    // Never chosen, on a display that went away, off the display after its arrangement
    // changed: each time the overlays come up, and an unusable record is gone.
    const std::optional<LastSelection> unusable[] = {std::nullopt, LastSelection{QRectF(0, 0, 50, 50), 12345},
                                                     LastSelection{QRectF(900, 900, 50, 50), 7}};
    for (const auto& record : unusable) {
        if (controller.isSessionActive())
            controller.cancelSession();
        if (record)
            LastSelectionRecord::store(UserDefaults::standard(), *record);
        controller.repeatLastSelection();
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller.overlayViews().size() == 2; }, 5000));
        EXPECT_FALSE(UserDefaults::standard().hasStoredValue(Settings::lastSelectionRect.name()));
        EXPECT_FALSE(pasteboard.data(Pasteboard::pngType));
    }
    drag(view(0), QPoint(10, 10), QPoint(60, 50));
    ASSERT_TRUE(waitForHandBack());
    const QImage chosen = clipboardImage();
    EXPECT_EQ(chosen, imageA.copy(10, 10, 50, 40));

    pasteboard.clearContents();
    controller.repeatLastSelection();
    ASSERT_TRUE(waitForHandBack());
    EXPECT_EQ(clipboardImage(), chosen);
    EXPECT_TRUE(controller.overlayViews().isEmpty());
    EXPECT_TRUE(alerts.alerts.empty());
}
