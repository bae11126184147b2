#include "Models/ImageEditorViewModel.h"

#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "EditorTestSupport.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <limits>

using namespace EditorTestSupport;

namespace {

class EditorTransformTest : public ::testing::Test {
protected:
    void SetUp() override { model.setLoadedImage(solidImage(1000, 800), QUrl::fromLocalFile("/tmp/t.png")); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorTransformTest, QuarterTurnsWrapDeselectAndAnnounce)
{
    QObject context;
    int announced = 0;
    NotificationCenter::defaultCenter().addObserver(Notifications::rotationCompleted, &context, [&](const auto&) { ++announced; });
    model.annotationManager()->appendArrow(arrow(true));
    const auto arrowId = model.annotationManager()->arrows().first().id;
    model.setEditingArrowId(arrowId);

    model.rotateLeft();
    EXPECT_EQ(model.rotation(), 270.0);
    EXPECT_FALSE(model.annotationManager()->selectedAnnotationId().has_value());
    EXPECT_EQ(model.editingArrowId(), arrowId) << "editing ids stay";
    model.setRotation(90);
    model.rotateLeft();
    EXPECT_EQ(model.rotation(), 0.0);
    model.setRotation(270);
    model.rotateRight();
    EXPECT_EQ(model.rotation(), 0.0);
    EXPECT_EQ(announced, 3);
    EXPECT_FALSE(model.canUndo()) << "turning the view takes no snapshot";
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(1000, 800));
}

TEST_F(EditorTransformTest, UnusableFactorsAreIgnored)
{
    for (double f : { 0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() }) {
        model.applyScale(f);
        ASSERT_TRUE(resampled(model));
        EXPECT_EQ(model.scale(), 1.0);
        EXPECT_FALSE(model.canUndo());
        EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(1000, 800));
    }
    ImageEditorViewModel empty;
    empty.applyScale(2);
    ASSERT_TRUE(resampled(empty));
    empty.resizeToPixelSize(10, 10);
    ASSERT_TRUE(resampled(empty));
    EXPECT_FALSE(empty.selectedImage().has_value());
    EXPECT_EQ(empty.scale(), 1.0);
}

TEST_F(EditorTransformTest, ResizeKeepsAspectOrResamplesExactly)
{
    model.resizeToPixelSize(500, 400); // aspect kept: a scaling
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.scale(), 0.5);
    EXPECT_EQ(model.originalImageSize(), QSizeF(1000, 800));

    model.resizeToPixelSize(500, 401); // off by 1000 > 500.001: exact
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(500, 401));
    // The text's reference stays the original size on both paths (text scales with
    // the image, and a text size chosen now is stored divided by the scale).
    EXPECT_EQ(model.originalImageSize(), QSizeF(1000, 800));
    EXPECT_EQ(model.scale(), 0.5);
    EXPECT_EQ(model.originalImage()->pixelSize(), QSize(1000, 800)) << "the base stays";

    model.resizeToPixelSize(501, 400); // off by 800: exact
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(501, 400));
    EXPECT_DOUBLE_EQ(model.scale(), 0.501);
    EXPECT_EQ(model.undoStack().size(), 3);

    model.resizeToPixelSize(0, 0); // treated as 1 x 1 (aspect off by 200 < 500: a scaling)
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(1, 1));
    EXPECT_DOUBLE_EQ(model.scale(), 0.001);
}

TEST_F(EditorTransformTest, ResamplingBeyondTheLargestSideIsRefusedAndTold)
{
    model.setLoadedImage(solidImage(10000, 10), QUrl::fromLocalFile("/tmp/wide.png"));
    model.annotationManager()->appendArrow(arrow(true));
    QSignalSpy alerts(&model, &ImageEditorViewModel::alertRequested);

    model.applyScale(3.0); // 30000 pixels wide
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(10000, 10));
    EXPECT_EQ(model.scale(), 1.0);
    EXPECT_FALSE(model.canUndo());
    EXPECT_TRUE(model.annotationManager()->selectedAnnotationId().has_value()) << "nothing touched";
    ASSERT_EQ(alerts.count(), 1);
    EXPECT_TRUE(alerts.first().at(1).toString().contains(QStringLiteral("20000")));

    // A requested side over the limit is clamped to it first, and then succeeds.
    model.resizeToPixelSize(30000, 30);
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(alerts.count(), 1);
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(20000, 30));
    EXPECT_EQ(model.scale(), 2.0);
}

TEST_F(EditorTransformTest, ResamplingRunsBesideTheMainThreadAndOnlyTheLatestRequestLands)
{
    // Large enough that the worker is still busy when the next line runs.
    model.setLoadedImage(solidImage(6000, 4000), QUrl::fromLocalFile("/tmp/big.png"));
    model.applyScale(0.25);
    EXPECT_TRUE(model.isResampling());
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(6000, 4000)) << "the main thread goes on meanwhile";
    model.applyScale(0.5);
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(3000, 2000));
    EXPECT_EQ(model.scale(), 0.5);
    EXPECT_EQ(model.undoStack().size(), 1) << "the overtaken request left nothing";

    // Another image arriving meanwhile: the result for the old one is dropped.
    model.setLoadedImage(solidImage(6000, 4000), QUrl::fromLocalFile("/tmp/big2.png"));
    model.resizeToPixelSize(100, 100);
    model.setLoadedImage(solidImage(30, 20), QUrl::fromLocalFile("/tmp/small.png"));
    ASSERT_TRUE(resampled(model));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(30, 20));
    EXPECT_EQ(model.originalImageSize(), QSizeF(30, 20));
    EXPECT_EQ(model.scale(), 1.0);
    EXPECT_FALSE(model.canUndo());
}

TEST_F(EditorTransformTest, RevertBringsBackTheInstalledImageAndItsSize)
{
    model.setIsCropping(true);
    model.setCropRect(QRectF(0, 0, 100, 100));
    model.applyCrop(QSizeF(1000, 800));
    model.resizeToPixelSize(30, 70);
    ASSERT_TRUE(resampled(model));
    model.annotationManager()->appendArrow(arrow());
    model.setEditingArrowId(model.annotationManager()->arrows().first().id);
    model.setIsCropping(true);
    model.setCropRect(QRectF(1, 1, 5, 5));
    model.setTempTextInput("typing");
    model.setIsEditingText(true);
    model.setZoomLevel(3);
    model.setRotation(90);

    model.revertToOriginal();
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(1000, 800));
    EXPECT_TRUE(model.selectedImage()->sharesPixelsWith(*model.pristineImage()));
    EXPECT_TRUE(model.originalImage()->sharesPixelsWith(*model.pristineImage()));
    EXPECT_EQ(model.originalImageSize(), QSizeF(1000, 800)) << "not the cropped or resized size";
    EXPECT_EQ(model.scale(), 1.0);
    EXPECT_TRUE(model.annotationManager()->arrows().isEmpty());
    EXPECT_FALSE(model.editingArrowId().has_value() || model.isCropping() || model.isEditingText());
    EXPECT_EQ(model.cropRect(), QRectF());
    EXPECT_TRUE(model.tempTextInput().isEmpty());
    EXPECT_EQ(std::pair(model.zoomLevel(), model.rotation()), std::pair(3.0, 90.0)) << "the view is kept";

    // Revert itself can be undone.
    model.undo();
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(30, 70));
    EXPECT_EQ(model.annotationManager()->arrows().size(), 1);

    ImageEditorViewModel empty;
    empty.revertToOriginal();
    EXPECT_FALSE(empty.canUndo());
}

TEST_F(EditorTransformTest, ClearEmptiesTheEditorAsOneUndoStep)
{
    model.annotationManager()->appendArrow(arrow());
    model.applyScale(0.5);
    ASSERT_TRUE(resampled(model));
    model.setZoomLevel(4);
    model.setRotation(180);
    model.setCurrentTool(ToolType::text);
    model.setIsCropping(true);
    model.setCropRect(QRectF(0, 0, 5, 5));
    model.setOcrPanelState(OCRPanelState::empty());
    model.setIsEditingText(true);

    model.clearImage();
    EXPECT_FALSE(model.selectedImage() || model.imageURL() || model.originalImage() || model.pristineImage());
    EXPECT_EQ(std::tuple(model.zoomLevel(), model.rotation(), model.scale()), std::tuple(1.0, 0.0, 1.0));
    EXPECT_FALSE(model.isCropping() || model.canRedo() || model.isEditingText());
    EXPECT_EQ(model.cropRect(), QRectF());
    EXPECT_TRUE(model.annotationManager()->arrows().isEmpty());
    EXPECT_EQ(model.currentTool(), ToolType::none);
    EXPECT_FALSE(model.ocrPanelState().has_value());
    EXPECT_EQ(model.displayName(), "No Image");

    // Undo brings the whole document back: the scaled picture, its name, its view.
    model.undo();
    ASSERT_TRUE(model.selectedImage() && model.pristineImage());
    EXPECT_EQ(std::tuple(model.selectedImage()->pixelSize(), model.annotationManager()->arrows().size(),
                         model.imageURL(), model.rotation(), model.zoomLevel()),
              std::tuple(QSize(500, 400), 1, std::optional(QUrl::fromLocalFile("/tmp/t.png")), 180.0, 4.0));
    model.redo();
    EXPECT_FALSE(model.selectedImage() || model.imageURL() || model.pristineImage()) << "redo clears again";
    model.undo();
    EXPECT_EQ(model.scale(), 0.5);
}
