#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;
using Corner = ImageEditorViewModel::CropCorner;

namespace {

class EditorCropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.setLoadedImage(Image(coordinateImage(400, 300)), QUrl::fromLocalFile("/tmp/crop.png"));
        model.setIsCropping(true);
    }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorCropTest, TypedSizeIsLimitedToTheShownImage)
{
    model.setZoomLevel(2.0);
    model.setCropSize(0, 0);
    EXPECT_EQ(model.cropRect(), QRectF(0, 0, 2, 2));
    model.setCropRect(QRectF(700, 500, 10, 10));
    model.setCropSize(100, 50); // pushed back inside, origin kept where it fits
    EXPECT_EQ(model.cropRect(), QRectF(600, 500, 200, 100));
    model.setCropSize(5000, 5000);
    EXPECT_EQ(model.cropRect(), QRectF(0, 0, 800, 600));

    model.setIsCropping(false);
    model.setCropSize(10, 10);
    EXPECT_EQ(model.cropRect(), QRectF(0, 0, 800, 600)) << "crop mode off: nothing";
    model.setIsCropping(true);
    model.setZoomLevel(0.0);
    model.setCropSize(10, 10);
    EXPECT_EQ(model.cropRect(), QRectF(0, 0, 800, 600)) << "zero zoom: nothing";
}

namespace {

// The rectangle as the user sees it on a view turned clockwise by `turn` degrees: the
// image's top-left corner goes to the top right on a quarter turn, to the bottom right
// upside down, and to the bottom left on three quarters.
QRectF seenRect(const QRectF& r, QSizeF image, int turn)
{
    const auto seen = [&](QPointF p) {
        switch (turn) {
        case 90: return QPointF(image.height() - p.y(), p.x());
        case 180: return QPointF(image.width() - p.x(), image.height() - p.y());
        case 270: return QPointF(p.y(), image.width() - p.x());
        default: return p;
        }
    };
    return QRectF(seen(r.topLeft()), seen(r.bottomRight())).normalized();
}

} // namespace

TEST(EditorCropTyped, TypedSizeKeepsTheEdgesSeenOnTheLeftAndTopAtEveryTurn)
{
    const QSizeF image(640, 480);
    for (const int turn : { 0, 90, 180, 270 }) {
        SCOPED_TRACE(turn);
        ImageEditorViewModel model;
        model.setLoadedImage(Image(coordinateImage(640, 480)), QUrl::fromLocalFile("/tmp/turned.png"));
        model.setIsCropping(true);
        model.setRotation(turn);
        const bool quarter = turn % 180 != 0;
        const QSizeF seenImage = quarter ? image.transposed() : image;
        // The crop bar's fields hold the sides as seen; the model takes the image's own.
        const auto type = [&](int seenWidth, int seenHeight) {
            if (quarter)
                model.setCropSize(seenHeight, seenWidth);
            else
                model.setCropSize(seenWidth, seenHeight);
            return seenRect(model.cropRect(), image, turn);
        };

        model.setCropRect(QRectF(100, 60, 300, 200));
        const QRectF before = seenRect(model.cropRect(), image, turn);
        QRectF after = type(150, int(before.height()));
        EXPECT_EQ(after, QRectF(before.topLeft(), QSizeF(150, before.height()))) << "a typed width moves the right edge";
        after = type(150, 90);
        EXPECT_EQ(after, QRectF(before.topLeft(), QSizeF(150, 90))) << "a typed height moves the bottom edge";

        // Too wide or too high for the room right of and below it: pushed back inside
        // only as far as needed.
        after = type(int(seenImage.width()) - 20, int(seenImage.height()) - 10);
        EXPECT_EQ(after, QRectF(20, 10, seenImage.width() - 20, seenImage.height() - 10));

        // A rectangle typed before one is drawn starts at the corner seen at the top left.
        model.setCropRect(QRectF());
        EXPECT_EQ(type(50, 40), QRectF(0, 0, 50, 40));
    }
}

TEST_F(EditorCropTest, MovingStaysInsideAndIsNotCumulative)
{
    model.updateCropMove(QSizeF(5, 5), QSizeF(400, 300));
    EXPECT_EQ(model.cropRect(), QRectF()) << "no move began";
    model.beginCropMove();
    EXPECT_FALSE(model.cropMoveStartRect().has_value()) << "an empty rectangle does not start a move";

    model.setCropRect(QRectF(10, 10, 100, 100));
    model.beginCropMove();
    model.updateCropMove(QSizeF(-50, 20), QSizeF(400, 300));
    EXPECT_EQ(model.cropRect(), QRectF(0, 30, 100, 100));
    model.updateCropMove(QSizeF(-50, 20), QSizeF(400, 300));
    EXPECT_EQ(model.cropRect(), QRectF(0, 30, 100, 100));
    model.updateCropMove(QSizeF(500, 500), QSizeF(400, 300));
    EXPECT_EQ(model.cropRect(), QRectF(300, 200, 100, 100));

    // A typed size may be under the drawing minimum: moved, it is kept at the end of the drag.
    model.setCropRect(QRectF(0, 0, 8, 8));
    model.setCropDragMode(ImageEditorViewModel::CropDragMode::move());
    model.beginCropMove();
    model.updateCropMove(QSizeF(30, 20), QSizeF(400, 300));
    model.endCropDrag();
    EXPECT_EQ(model.cropRect(), QRectF(30, 20, 8, 8));
    EXPECT_FALSE(model.cropMoveStartRect());
    EXPECT_EQ(model.cropDragMode(), ImageEditorViewModel::CropDragMode::none());
}

TEST_F(EditorCropTest, CornerDragsKeepTheOppositeCornerAndAMinimumSize)
{
    const QSizeF bounds(400, 300);
    model.setCropRect(QRectF(50, 50, 100, 100));
    model.beginCropCornerDrag(Corner::bottomRight);
    ASSERT_EQ(model.cropDraggingCorner(), Corner::bottomRight);
    model.updateCropCornerDrag(QSizeF(-200, -200), bounds, Corner::bottomRight);
    EXPECT_EQ(model.cropRect(), QRectF(50, 50, 10, 10));
    model.updateCropCornerDrag(QSizeF(400, 400), bounds, Corner::bottomRight);
    EXPECT_EQ(model.cropRect(), QRectF(50, 50, 350, 250));

    model.setCropRect(QRectF(50, 50, 100, 100));
    model.beginCropCornerDrag(Corner::topLeft);
    model.updateCropCornerDrag(QSizeF(-100, -100), bounds, Corner::topLeft);
    EXPECT_EQ(model.cropRect(), QRectF(0, 0, 150, 150));
    model.updateCropCornerDrag(QSizeF(-100, -100), bounds, Corner::topLeft);
    EXPECT_EQ(model.cropRect(), QRectF(0, 0, 150, 150));

    model.setCropRect(QRectF(50, 50, 100, 100));
    model.beginCropCornerDrag(Corner::topRight);
    model.updateCropCornerDrag(QSizeF(20, 30), bounds, Corner::topRight);
    EXPECT_EQ(model.cropRect(), QRectF(50, 80, 120, 70));
    model.beginCropCornerDrag(Corner::bottomLeft);
    model.updateCropCornerDrag(QSizeF(-10, 5), bounds, Corner::bottomLeft);
    EXPECT_EQ(model.cropRect(), QRectF(40, 80, 130, 75));

    // The minimum size wins over the bounds.
    model.setCropRect(QRectF(0, 0, 4, 4));
    model.beginCropCornerDrag(Corner::topLeft);
    model.updateCropCornerDrag(QSizeF(0, 0), bounds, Corner::topLeft);
    EXPECT_EQ(model.cropRect(), QRectF(-6, -6, 10, 10));
}

TEST_F(EditorCropTest, ApplyCopiesWholeSourcePixelsAndEndsCropMode)
{
    model.annotationManager()->appendArrow(arrow(true));
    model.setCropRect(QRectF(20, 10, 100, 50));
    model.setCropDragMode(ImageEditorViewModel::CropDragMode::draw());
    model.applyCrop(QSizeF(400, 300));

    ASSERT_TRUE(model.selectedImage().has_value());
    const QImage& result = model.selectedImage()->bitmap();
    EXPECT_EQ(result.size(), QSize(100, 50));
    EXPECT_EQ(result.pixel(0, 0), coordinateImage(400, 300).pixel(20, 10));
    EXPECT_EQ(result.pixel(99, 49), coordinateImage(400, 300).pixel(119, 59));
    EXPECT_TRUE(model.originalImage()->sharesPixelsWith(*model.selectedImage()));
    EXPECT_EQ(model.pristineImage()->pixelSize(), QSize(400, 300));
    EXPECT_EQ(std::pair(model.originalImageSize(), model.scale()), std::pair(QSizeF(100, 50), 1.0));
    EXPECT_EQ(model.cropRect(), QRectF());
    EXPECT_FALSE(model.isCropping());
    EXPECT_EQ(model.cropDragMode(), ImageEditorViewModel::CropDragMode::none());
    EXPECT_TRUE(model.canUndo());
}

TEST_F(EditorCropTest, AnnotationsGoAlongIntoThePartKept)
{
    // Crop (100, 50) to (300, 150) of 400 x 300: annotations move by the origin, in pixels.
    AnnotationManager& store = *model.annotationManager();
    store.appendArrow(ArrowAnnotation{.startPoint = {0.25, 0.25}, .endPoint = {0.5, 0.5}, .lineWidth = 3});
    store.appendRectangle(RectangleAnnotation{.rect = {0.5, 0.3, 0.1, 0.1}, .effect = AnnotationEffect::mosaic,
                                              .mosaicIntensity = 5});
    store.appendText(TextAnnotation{.text = QStringLiteral("mail"), .position = {0.5, 0.3}, .fontSize = 20,
                                    .width = 0.25});
    store.appendLine(LineAnnotation{.startPoint = {0.2, 0.2}, .endPoint = {0.9, 0.9}, .lineWidth = 3});
    // Wholly outside the part kept: dropped.
    store.appendNumber(NumberAnnotation{.position = {0.9, 0.9}, .value = 1, .diameter = 28});
    store.appendFreehand(FreehandAnnotation{.points = {{0.05, 0.9}, {0.1, 0.95}}, .lineWidth = 3});
    // Text being typed when the crop tool is chosen (as the toolbar's button does) goes along.
    model.beginTextEditing(QPointF(200, 100), QSizeF(400, 300), std::nullopt, 24);
    model.setTempTextInput(QStringLiteral("typed"));
    model.selectTool(ToolType::crop);
    model.setCropRect(QRectF(100, 50, 200, 100));
    model.applyCrop(QSizeF(400, 300));

    ASSERT_EQ(store.arrows().size(), 1);
    EXPECT_EQ(store.arrows()[0].startPoint, QPointF(0.0, 0.25));
    EXPECT_EQ(store.arrows()[0].endPoint, QPointF(0.5, 1.0));
    ASSERT_EQ(store.rectangles().size(), 1);
    EXPECT_EQ(store.rectangles()[0].rect, QRectF(0.5, 0.4, 0.2, 0.3));
    // Its cells keep at least their size in pixels: 60 cells across 400 pixels become
    // 20 across the 100 pixels the image kept of its height (a third).
    EXPECT_DOUBLE_EQ(store.rectangles()[0].mosaicIntensity, 9.0);
    ASSERT_EQ(store.texts().size(), 2);
    EXPECT_EQ(store.texts()[1].text, QStringLiteral("typed"));
    EXPECT_EQ(store.texts()[0].position, QPointF(0.5, 0.4));
    EXPECT_DOUBLE_EQ(store.texts()[0].width, 0.5);
    EXPECT_DOUBLE_EQ(store.texts()[0].fontSize, 20.0);
    EXPECT_EQ(store.lines().size(), 1);
    EXPECT_TRUE(store.numbers().isEmpty());
    EXPECT_TRUE(store.freehands().isEmpty());

    // Undo brings back the whole image with every annotation as it was.
    model.undo();
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(400, 300));
    EXPECT_EQ(store.arrows()[0].startPoint, QPointF(0.25, 0.25));
    EXPECT_EQ(store.numbers().size() + store.freehands().size(), 2);
}

TEST_F(EditorCropTest, CroppingAScaledImageKeepsTheTextsDrawnSize)
{
    // Text is drawn at fontSize x drawn width / the reference width; at half scale a
    // 20 stands at 10 pixels of the scaled image, and stays there in the cropped one.
    model.annotationManager()->appendText(TextAnnotation{.text = QStringLiteral("a"), .position = {0.5, 0.5},
                                                         .fontSize = 20, .width = 0.2});
    model.applyScale(0.5);
    ASSERT_TRUE(resampled(model));
    model.setIsCropping(true);
    model.setCropRect(QRectF(50, 50, 100, 50));
    model.applyCrop(QSizeF(200, 150));
    const TextAnnotation& text = model.annotationManager()->texts().at(0);
    EXPECT_DOUBLE_EQ(text.fontSize * model.selectedImage()->pixelSize().width() / model.originalImageSize().width(),
                     10.0);
}

TEST_F(EditorCropTest, ApplyScalesFromTheDisplayIntersectsRoundsAndKeepsTheSourceResolution)
{
    model.setCropRect(QRectF(0, 0, 400, 300));
    model.applyCrop(QSizeF(800, 600)); // shown at twice the size: half the picture
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(200, 150));

    // 200 x 100 pixels shown as 100 x 50 points.
    model.setLoadedImage(Image(coordinateImage(200, 100), 2.0), QUrl::fromLocalFile("/tmp/hidpi.png"));
    model.setIsCropping(true);
    // Fractional, and sticking out below and to the right.
    model.setCropRect(QRectF(10.4, 10.2, 150.3, 100));
    model.applyCrop(QSizeF(100, 50));
    const Image& result = *model.selectedImage();
    // x: 20.8 -> 21 to 200 (clipped); y: 20.4 -> 20 to 100 (clipped).
    EXPECT_EQ(result.pixelSize(), QSize(179, 80));
    EXPECT_EQ(result.devicePixelRatio(), 2.0);
    EXPECT_EQ(result.bitmap().pixel(0, 0), coordinateImage(200, 100).pixel(21, 20));
    EXPECT_EQ(model.originalImageSize(), QSizeF(179, 80));

    // A rectangle wholly outside the image, or a zero display size, does nothing.
    const int undoDepth = int(model.undoStack().size());
    model.setIsCropping(true);
    model.setCropRect(QRectF(500, 500, 20, 20));
    model.applyCrop(QSizeF(90, 40));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(179, 80));
    model.setCropRect(QRectF(0, 0, 20, 20));
    model.applyCrop(QSizeF(0, 40));
    model.applyCrop(QSizeF(90, -1));
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(179, 80));
    EXPECT_EQ(model.undoStack().size(), undoDepth);
    EXPECT_TRUE(model.isCropping());
}

TEST_F(EditorCropTest, EmptyRectangleOrNoImageChangesNothing)
{
    model.setCropRect(QRectF(10, 10, 0, 50));
    model.applyCrop(QSizeF(400, 300));
    EXPECT_FALSE(model.canUndo());
    EXPECT_EQ(model.selectedImage()->pixelSize(), QSize(400, 300));

    ImageEditorViewModel empty;
    empty.setCropRect(QRectF(0, 0, 10, 10));
    empty.applyCrop(QSizeF(100, 100));
    EXPECT_FALSE(empty.selectedImage().has_value());
    EXPECT_EQ(empty.cropRect(), QRectF(0, 0, 10, 10));
}
