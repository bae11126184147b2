// The command table: each notification posted with the editor's observers attached
// does its one operation on the editor model; the capture delivery is pasted once.
#include "EditorCanvasTestSupport.h"

#include "Core/Notifications.h"
#include "Platform/InMemoryPasteboard.h"
#include "Views/CommandRouter.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace CanvasTest;

namespace {

QByteArray pngBytes(int w, int h, QColor color)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return data;
}

void post(NotificationName name, const std::optional<QString>& payload = std::nullopt)
{
    NotificationCenter::defaultCenter().post(name, payload);
}

class CommandRoutingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralForTesting(&board);
        model.setPasteboard(&board);
        KeyboardShortcutObservers::setLastSeenPasteboardChangeCountForTesting(0);
        observers.attach();
    }
    void TearDown() override
    {
        observers.detach();
        Pasteboard::setGeneralForTesting(nullptr);
    }

    void openImage(int w = 400, int h = 300) { model.setLoadedImage(solid(w, h), fileUrl("routing.png")); }

    // A capture lands on the clipboard.
    void putCapture(int w, int h) { board.setItems({ { Pasteboard::pngType, pngBytes(w, h, Qt::red) } }); }

    // Pastes decode on a worker: each one that is started ends with imageLoadFinished.
    bool pasted(int count) { return QTest::qWaitFor([&] { return loads.count() >= count; }, 5000); }

    InMemoryPasteboard board;
    ImageEditorViewModel model;
    QSignalSpy loads { &model, &ImageEditorViewModel::imageLoadFinished };
    QSizeF fitArea { 400.0, 300.0 };
    KeyboardShortcutObservers observers { &model, [this] { return fitArea; } };
};

} // namespace

TEST_F(CommandRoutingTest, ZoomAndFitCommandsUseTheAreaOfTheMoment)
{
    openImage(800, 600);
    model.setZoomLevel(1.0);
    post(Notifications::zoomIn);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.15);
    post(Notifications::zoomOut);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0);
    post(Notifications::fitToWindow);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.5);
    fitArea = QSizeF(200.0, 150.0); // the window was made smaller
    post(Notifications::fitToWindow);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.25);
    post(Notifications::actualSize);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0);
}

TEST_F(CommandRoutingTest, RotationTurnsAndRefitsWithoutEnlarging)
{
    openImage(800, 200);
    model.setZoomLevel(1.0);
    fitArea = QSizeF(1000.0, 400.0);
    post(Notifications::rotateRight);
    EXPECT_DOUBLE_EQ(model.rotation(), 90.0);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.5) << "200 x 800 on screen fits 400 high at 0.5";
    post(Notifications::rotateLeft);
    EXPECT_DOUBLE_EQ(model.rotation(), 0.0);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0) << "fits at actual size and is not enlarged";
}

TEST_F(CommandRoutingTest, ToolShortcutSelectsOnlyDrawingTools)
{
    openImage();
    post(Notifications::toolShortcut, QStringLiteral("toolMosaic"));
    EXPECT_EQ(model.currentTool(), ToolType::mosaic);
    for (const QString& other : { QStringLiteral("captureWindow"), QStringLiteral("pasteImage"),
                                  QStringLiteral("copyImage"), QStringLiteral("toolarrow"), QString() }) {
        post(Notifications::toolShortcut, other);
        EXPECT_EQ(model.currentTool(), ToolType::mosaic) << other.toStdString();
    }
    post(Notifications::toolShortcut); // no payload
    EXPECT_EQ(model.currentTool(), ToolType::mosaic);
    post(Notifications::toolShortcut, QStringLiteral("toolHighlighter"));
    EXPECT_EQ(model.currentTool(), ToolType::highlighter);
}

TEST_F(CommandRoutingTest, DeleteUndoRedoResetAndClear)
{
    openImage();
    ArrowAnnotation arrow;
    arrow.id = QUuid::createUuid();
    arrow.endPoint = QPointF(0.5, 0.5);
    model.annotationManager()->appendArrow(arrow);
    model.annotationManager()->selectAnnotation(arrow.id);

    post(Notifications::deleteAnnotation);
    EXPECT_TRUE(model.annotationManager()->arrows().isEmpty());
    post(Notifications::undo);
    EXPECT_EQ(model.annotationManager()->arrows().size(), 1);
    post(Notifications::redo);
    EXPECT_TRUE(model.annotationManager()->arrows().isEmpty());

    model.applyScale(0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isResampling(); }, 5000));
    ASSERT_EQ(model.selectedImage()->pixelSize(), QSize(200, 150));
    post(Notifications::resetAll);
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(400, 300));

    post(Notifications::clearImage);
    EXPECT_FALSE(model.selectedImage().has_value());
}

TEST_F(CommandRoutingTest, CropCommandNeedsAnImageAndEscapeLeavesInTwoSteps)
{
    post(Notifications::crop);
    EXPECT_FALSE(model.isCropping());
    openImage();
    post(Notifications::crop);
    EXPECT_TRUE(model.isCropping());

    model.setIsEditingCropSize(true);
    post(Notifications::cropCancel);
    EXPECT_FALSE(model.isEditingCropSize());
    EXPECT_FALSE(ImageEditorViewModel::globalIsEditingCropSize());
    EXPECT_TRUE(model.isCropping()) << "the first Escape closes the size editor only";
    post(Notifications::cropCancel);
    EXPECT_FALSE(model.isCropping());
    EXPECT_EQ(model.currentTool(), ToolType::none);
}

TEST_F(CommandRoutingTest, BackdropToggleFlipsTheBackdropAndRefits)
{
    openImage();
    model.setIsBackdropEnabled(false);
    model.setCurrentBackdropPadding(50);
    model.setCurrentBackdropShadowEnabled(false);
    post(Notifications::fitToWindow);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0);
    post(Notifications::backdropToggle);
    EXPECT_TRUE(model.isBackdropEnabled());
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 0.75) << "400 by 300 with 50 around it fits 300 high";
    post(Notifications::backdropToggle);
    EXPECT_FALSE(model.isBackdropEnabled());
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0);
}

TEST_F(CommandRoutingTest, DocumentCommandsFinishAnOpenTextFirst)
{
    openImage();
    model.setZoomLevel(1.0);
    const QSizeF display(400.0, 300.0);
    model.selectTool(ToolType::text);
    model.beginTextEditing(QPointF(100.0, 100.0), display, std::nullopt, 24.0);
    model.setTempTextInput(QStringLiteral("kept"));

    post(Notifications::rotateRight);
    EXPECT_FALSE(model.isEditingText());
    ASSERT_EQ(model.annotationManager()->texts().size(), 1) << "what was typed is not lost";
    EXPECT_EQ(model.annotationManager()->texts().first().text, QStringLiteral("kept"));
    EXPECT_DOUBLE_EQ(model.rotation(), 90.0);

    // Undo while typing: the text is committed, then the undo takes it back (and redo
    // would restore it).
    model.beginTextEditing(QPointF(50.0, 50.0), display, std::nullopt, 24.0);
    model.setTempTextInput(QStringLiteral("second"));
    post(Notifications::undo);
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(model.annotationManager()->texts().size(), 1);
    post(Notifications::redo);
    EXPECT_EQ(model.annotationManager()->texts().size(), 2);

    model.beginTextEditing(QPointF(50.0, 50.0), display, std::nullopt, 24.0);
    post(Notifications::clearImage);
    EXPECT_FALSE(model.isEditingText());
    EXPECT_FALSE(model.selectedImage().has_value());
}

TEST_F(CommandRoutingTest, PasteCommandTakesTheClipboardImage)
{
    putCapture(64, 32);
    post(Notifications::pasteImage);
    ASSERT_TRUE(pasted(1));
    ASSERT_TRUE(model.selectedImage().has_value());
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(64, 32));
}

// ---- the paste-once rule of a delivered capture -------------------------------------------------

TEST_F(CommandRoutingTest, DeliveredCaptureIsPastedOncePerClipboardChange)
{
    putCapture(50, 40);
    post(Notifications::captureClipboardImageReady);
    ASSERT_TRUE(pasted(1));
    ASSERT_TRUE(model.selectedImage().has_value()) << "the first capture pastes for any non-zero count";
    EXPECT_EQ(KeyboardShortcutObservers::lastSeenPasteboardChangeCount(), board.changeCount());

    model.clearImage();
    post(Notifications::captureClipboardImageReady);
    EXPECT_EQ(loads.count(), 1) << "the same clipboard is not pasted twice";

    putCapture(70, 20);
    post(Notifications::captureClipboardImageReady);
    ASSERT_TRUE(pasted(2));
    ASSERT_TRUE(model.selectedImage().has_value());
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(70, 20));
}

TEST_F(CommandRoutingTest, AWindowShownSoonAfterADeliveryPastesItOnceAndAnOldOneIsLeftAlone)
{
    std::optional<QDateTime> delivered;
    const auto attachAfterADelivery = [&](qint64 msAgo) {
        observers.detach();
        delivered = QDateTime::currentDateTimeUtc().addMSecs(-msAgo);
        observers.setDeliveryDate({ [&] { return delivered; }, [&] { delivered.reset(); } });
        observers.attach();
    };
    putCapture(30, 30);
    attachAfterADelivery(6000);
    EXPECT_TRUE(delivered.has_value()) << "a date over five seconds old stays";
    QTest::qWait(50);
    EXPECT_EQ(loads.count(), 0) << "and nothing is pasted";

    attachAfterADelivery(2000);
    ASSERT_TRUE(pasted(1));
    ASSERT_TRUE(model.selectedImage().has_value());
    EXPECT_FALSE(delivered.has_value()) << "the delivery date is taken";
    // The notification arriving afterwards for the same clipboard does not paste again,
    // nor does a later appearance.
    post(Notifications::captureClipboardImageReady);
    attachAfterADelivery(0);
    QTest::qWait(50);
    EXPECT_EQ(loads.count(), 1);
}

TEST_F(CommandRoutingTest, DetachedObserversIgnoreCommands)
{
    openImage();
    model.setZoomLevel(1.0);
    observers.detach();
    post(Notifications::zoomIn);
    post(Notifications::toolShortcut, QStringLiteral("toolArrow"));
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.0);
    EXPECT_EQ(model.currentTool(), ToolType::none);
    observers.attach();
    post(Notifications::zoomIn);
    EXPECT_DOUBLE_EQ(model.zoomLevel(), 1.15);
}
