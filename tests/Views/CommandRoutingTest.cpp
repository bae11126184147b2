#include "EditorCanvasTestSupport.h"

#include "Core/Notifications.h"
#include "Platform/InMemoryPasteboard.h"
#include "Views/CommandRouter.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace CanvasTest;

namespace {

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

    void openImage(int w = 400, int h = 300) { model.setLoadedImage(solidImage(w, h), fileUrl("routing.png")); }

    // A capture lands on the clipboard.
    void putCapture(int w, int h) { board.setItems({ { Pasteboard::pngType, EditorTestSupport::solidPng(w, h, Qt::red) } }); }

    // Pastes decode on a worker: each one that is started ends with imageLoadFinished.
    bool pasted(int count) { return QTest::qWaitFor([&] { return loads.count() >= count; }, 5000); }

    InMemoryPasteboard board;
    ImageEditorViewModel model;
    QSignalSpy loads { &model, &ImageEditorViewModel::imageLoadFinished };
    QSizeF fitArea { 400.0, 300.0 };
    KeyboardShortcutObservers observers { &model, [this] { return fitArea; } };
};

} // namespace

TEST_F(CommandRoutingTest, EachCommandRunsItsOperationInTurn)
{
    post(Notifications::crop);
    EXPECT_FALSE(model.isCropping()) << "crop needs an image";
    openImage(800, 200);
    model.setZoomLevel(1.0);
    model.setIsBackdropEnabled(false);
    model.setCurrentBackdropPadding(100);
    model.setCurrentBackdropShadowEnabled(false);
    ArrowAnnotation arrow { .endPoint = QPointF(0.5, 0.5) };
    model.annotationManager()->appendArrow(arrow);
    model.annotationManager()->selectAnnotation(arrow.id);
    const auto arrows = [&] { return model.annotationManager()->arrows().size(); };
    const struct {
        NotificationName name;
        std::optional<QString> payload;
        std::function<bool()> done;
        QSizeF area = QSizeF(400.0, 300.0);
    } steps[] = {
        { Notifications::deleteAnnotation, {}, [&] { return arrows() == 0; } },
        { Notifications::undo, {}, [&] { return arrows() == 1; } },
        { Notifications::redo, {}, [&] { return arrows() == 0; } },
        { Notifications::zoomIn, {}, [&] { return model.zoomLevel() == 1.15; } },
        { Notifications::zoomOut, {}, [&] { return model.zoomLevel() == 1.0; } },
        { Notifications::fitToWindow, {}, [&] { return model.zoomLevel() == 0.5; } },
        // The fit area is read when the command comes: the window was made smaller.
        { Notifications::fitToWindow, {}, [&] { return model.zoomLevel() == 0.25; }, QSizeF(200.0, 150.0) },
        { Notifications::actualSize, {}, [&] { return model.zoomLevel() == 1.0; } },
        // A turn refits without enlarging: 200 x 800 on screen fits 400 high at 0.5...
        { Notifications::rotateRight, {}, [&] { return model.rotation() == 90.0 && model.zoomLevel() == 0.5; },
          QSizeF(1000.0, 400.0) },
        // ...and upright again it fits at actual size.
        { Notifications::rotateLeft, {}, [&] { return model.rotation() == 0.0 && model.zoomLevel() == 1.0; },
          QSizeF(1000.0, 400.0) },
        // The backdrop refits: 800 x 200 with 100 around it fits 1000 wide at 1.
        { Notifications::backdropToggle, {}, [&] { return model.isBackdropEnabled() && model.zoomLevel() == 1.0; },
          QSizeF(1000.0, 600.0) },
        { Notifications::backdropToggle, {}, [&] { return !model.isBackdropEnabled() && model.zoomLevel() == 1.25; },
          QSizeF(1000.0, 600.0) },
        { Notifications::toolShortcut, QStringLiteral("toolMosaic"),
          [&] { return model.currentTool() == ToolType::mosaic; } },
        // Only drawing tools' actions select a tool.
        { Notifications::toolShortcut, QStringLiteral("captureWindow"),
          [&] { return model.currentTool() == ToolType::mosaic; } },
        { Notifications::toolShortcut, QStringLiteral("toolarrow"),
          [&] { return model.currentTool() == ToolType::mosaic; } },
        { Notifications::toolShortcut, {}, [&] { return model.currentTool() == ToolType::mosaic; } },
        { Notifications::crop, {}, [&] { return model.isCropping(); } },
        { Notifications::cropCancel, {}, [&] { return !model.isCropping() && model.currentTool() == ToolType::none; } },
        { Notifications::clearImage, {}, [&] { return !model.selectedImage(); } },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name.text());
        fitArea = step.area;
        post(step.name, step.payload);
        EXPECT_TRUE(step.done()) << step.payload.value_or(QString()).toStdString();
    }
}

TEST_F(CommandRoutingTest, EscapeWhileTypingACropSizeClosesTheEditorFirst)
{
    openImage();
    post(Notifications::crop);
    model.setIsEditingCropSize(true);
    post(Notifications::cropCancel);
    EXPECT_FALSE(model.isEditingCropSize());
    EXPECT_FALSE(ImageEditorViewModel::globalIsEditingCropSize());
    EXPECT_TRUE(model.isCropping());
    post(Notifications::cropCancel);
    EXPECT_FALSE(model.isCropping());
}

TEST_F(CommandRoutingTest, DocumentCommandsFinishAnOpenTextFirst)
{
    openImage();
    model.setZoomLevel(1.0);
    const auto type = [&](const QString& text) {
        model.selectTool(ToolType::text);
        model.beginTextEditing(QPointF(100.0, 100.0), QSizeF(400.0, 300.0), std::nullopt, 24.0);
        model.setTempTextInput(text);
    };
    const auto texts = [&] { return model.annotationManager()->texts().size(); };

    type(QStringLiteral("kept"));
    post(Notifications::rotateRight);
    EXPECT_FALSE(model.isEditingText());
    ASSERT_EQ(texts(), 1) << "what was typed is not lost";
    EXPECT_EQ(model.annotationManager()->texts().first().text, QStringLiteral("kept"));
    EXPECT_DOUBLE_EQ(model.rotation(), 90.0);

    // Undo while typing commits the text, then takes it back (redo restores it); a reset
    // commits it too, and reverts it with the rest.
    type(QStringLiteral("second"));
    post(Notifications::undo);
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(texts(), 1);
    post(Notifications::redo);
    EXPECT_EQ(texts(), 2);
    type(QStringLiteral("third"));
    post(Notifications::resetAll);
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(texts(), 0);
    model.undo();
    EXPECT_EQ(texts(), 3);

    type(QStringLiteral("gone"));
    post(Notifications::clearImage);
    EXPECT_FALSE(model.isEditingText());
    EXPECT_FALSE(model.selectedImage().has_value());
}

TEST_F(CommandRoutingTest, PasteTakesTheClipboardAndADeliveredCaptureIsPastedOncePerClipboardChange)
{
    putCapture(64, 32);
    post(Notifications::pasteImage);
    ASSERT_TRUE(pasted(1));
    ASSERT_TRUE(model.selectedImage().has_value());
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(64, 32));
    model.clearImage();
    loads.clear();

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
