#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

class EditorHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { model.setLoadedImage(solidImage(1000, 1000), QUrl::fromLocalFile("/tmp/h.png")); }
    AnnotationManager& store() { return *model.annotationManager(); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorHistoryTest, ElevenSnapshotsKeepTheNewestTenAndTheDepthFollowsThePixelCount)
{
    EXPECT_EQ(model.maxUndoSteps(), 10);
    for (int i = 0; i < 11; ++i) {
        store().appendArrow(arrow());
        model.saveUndoState();
    }
    ASSERT_EQ(model.undoStack().size(), 10);
    EXPECT_EQ(model.undoStack().first().arrows.size(), 2) << "the first snapshot is gone";

    // The image grows beyond the small depth: each snapshot now adds one and drops one.
    model.setSelectedImage(bigImage(7501, 8000));
    model.saveUndoState();
    EXPECT_EQ(model.undoStack().size(), 10);
    model.saveUndoState();
    EXPECT_EQ(model.undoStack().size(), 10);

    const struct {
        int w, h, depth;
    } cases[] = {
        { 6000, 5000, 10 }, // exactly 30,000,000
        { 6001, 5000, 3 },
        { 7500, 8000, 3 },  // exactly 60,000,000
        { 7501, 8000, 2 },
    };
    for (const auto& c : cases) {
        model.setSelectedImage(bigImage(c.w, c.h));
        EXPECT_EQ(model.maxUndoSteps(), c.depth) << c.w << "x" << c.h;
    }
    model.setSelectedImage(std::nullopt);
    EXPECT_EQ(model.maxUndoSteps(), 10);
}

TEST_F(EditorHistoryTest, SnapshotsSharePixelsAndCopyAnnotations)
{
    store().appendArrow(arrow(true));
    model.saveUndoState();
    const auto& state = model.undoStack().last();
    EXPECT_TRUE(state.image.sharesPixelsWith(*model.selectedImage()));
    EXPECT_TRUE(state.baseImage.sharesPixelsWith(*model.originalImage()));
    EXPECT_TRUE(state.arrows.first().isSelected);
    store().clearAll();
    EXPECT_EQ(model.undoStack().last().arrows.size(), 1);
}

TEST_F(EditorHistoryTest, UndoAndRedoExchangeDocuments)
{
    QSignalSpy history(&model, &ImageEditorViewModel::historyChanged);
    model.undo();
    EXPECT_EQ(history.count(), 0) << "empty stack: nothing at all";

    store().appendArrow(arrow());
    model.saveUndoState();
    store().appendArrow(arrow(true));
    EXPECT_TRUE(model.canUndo());

    model.undo();
    EXPECT_EQ(store().arrows().size(), 1);
    EXPECT_EQ(std::pair(model.canUndo(), model.canRedo()), std::pair(false, true));
    model.redo();
    EXPECT_EQ(store().arrows().size(), 2);
    EXPECT_FALSE(store().selectedAnnotationId().has_value()) << "restored records come back unselected";
    EXPECT_EQ(std::pair(model.canUndo(), model.canRedo()), std::pair(true, false));

    model.undo();
    model.saveUndoState(); // a new change after undo
    EXPECT_FALSE(model.canRedo());
    EXPECT_TRUE(model.redoStack().isEmpty());
}

TEST_F(EditorHistoryTest, UndoRestoresTheScaleWithTheImage)
{
    model.applyScale(0.5);
    ASSERT_TRUE(resampled(model));
    model.applyScale(0.25);
    ASSERT_TRUE(resampled(model));
    model.undo();
    EXPECT_EQ(std::pair(model.selectedImage()->pixelSize(), model.scale()), std::pair(QSize(500, 500), 0.5));
    model.undo();
    EXPECT_EQ(std::pair(model.selectedImage()->pixelSize(), model.scale()), std::pair(QSize(1000, 1000), 1.0));
    model.redo();
    model.redo();
    EXPECT_EQ(std::pair(model.selectedImage()->pixelSize(), model.scale()), std::pair(QSize(250, 250), 0.25));

    // Undo keeps the view and restores the sizes.
    model.resizeToPixelSize(300, 100);
    ASSERT_TRUE(resampled(model));
    model.setZoomLevel(2);
    model.setRotation(90);
    model.undo();
    EXPECT_EQ(model.originalImageSize(), QSizeF(1000, 1000));
    EXPECT_EQ(std::pair(model.zoomLevel(), model.rotation()), std::pair(2.0, 90.0));
}

TEST_F(EditorHistoryTest, WithoutAnImageNothingIsRecorded)
{
    store().appendArrow(arrow());
    model.saveUndoState();
    model.undo();
    ASSERT_TRUE(model.canRedo());
    model.setSelectedImage(std::nullopt);
    model.saveUndoState();
    EXPECT_TRUE(model.canRedo()) << "the redo stack is left alone";
    EXPECT_FALSE(model.captureState().has_value());

    // A snapshot taken without a base image restores the shown image as the base.
    ImageEditorViewModel other;
    other.setSelectedImage(solidImage(5, 5));
    other.saveUndoState();
    other.setSelectedImage(solidImage(6, 6));
    other.undo();
    ASSERT_TRUE(other.originalImage().has_value());
    EXPECT_EQ(other.originalImage()->pixelSize(), QSize(5, 5));
}

TEST_F(EditorHistoryTest, DeletingTheSelectionIsUndoableAndForgetsItsEditingId)
{
    ArrowAnnotation selected = arrow(true);
    RectangleAnnotation other = rectangle();
    store().appendArrow(selected);
    store().appendRectangle(other);
    model.setEditingArrowId(selected.id);
    model.setEditingRectId(other.id);

    model.deleteSelectedAnnotation();
    EXPECT_TRUE(store().arrows().isEmpty());
    EXPECT_FALSE(model.editingArrowId().has_value());
    EXPECT_EQ(model.editingRectId(), other.id);
    EXPECT_TRUE(model.canUndo());

    model.undo();
    ASSERT_EQ(store().arrows().size(), 1);
    EXPECT_FALSE(store().arrows().first().isSelected);

    // Nothing selected: nothing happens.
    const auto depth = model.undoStack().size();
    model.deleteSelectedAnnotation();
    EXPECT_EQ(store().arrows().size(), 1);
    EXPECT_EQ(model.undoStack().size(), depth);

    // Without an image it cannot be undone.
    ImageEditorViewModel empty;
    empty.annotationManager()->appendArrow(arrow(true));
    empty.deleteSelectedAnnotation();
    EXPECT_TRUE(empty.annotationManager()->arrows().isEmpty());
    EXPECT_FALSE(empty.canUndo());
}

TEST_F(EditorHistoryTest, ClearingAnnotationsClearsEveryEditingId)
{
    QSignalSpy selection(&model, &ImageEditorViewModel::selectionChanged);
    model.clearAnnotations(); // on an empty store the ids are still announced
    EXPECT_EQ(selection.count(), 6);

    store().appendArrow(arrow());
    const QUuid id = QUuid::createUuid();
    model.setEditingArrowId(id);
    model.setEditingRectId(id);
    model.setEditingLineId(id);
    model.setEditingFreehandId(id);
    model.setEditingNumberId(id);
    model.setEditingTextStyleId(id);
    model.setIsEditingText(true);
    model.setEditingTextId(id);
    model.clearAnnotations();
    EXPECT_TRUE(store().arrows().isEmpty());
    EXPECT_FALSE(model.editingArrowId() || model.editingRectId() || model.editingLineId() || model.editingFreehandId()
        || model.editingNumberId() || model.editingTextStyleId());
    EXPECT_FALSE(model.canUndo()) << "no snapshot of its own";
    EXPECT_TRUE(model.isEditingText()) << "an open text box is not ended";
    EXPECT_EQ(model.editingTextId(), id);
}

TEST_F(EditorHistoryTest, ARestyleAndAMoveAreTwoUndoSteps)
{
    // A rectangle drawn at 2, widened to 8 while selected (one step for the slider's
    // drag), then moved: each change undoes on its own.
    const QSizeF display(1000, 1000);
    store().appendRectangle(rectangle());
    const QUuid id = store().rectangles()[0].id;
    model.handleDragChanged(QPointF(200, 200), QPointF(200, 200), display, display); // selects it
    model.handleDragEnded(QPointF(200, 200), QPointF(200, 200), display, display);
    for (double width : {4.0, 6.0, 8.0})
        model.setCurrentRectLineWidth(width);
    for (const QPointF& p : {QPointF(210, 200), QPointF(300, 250)})
        model.handleDragChanged(QPointF(200, 200), p, display, display);
    model.handleDragEnded(QPointF(200, 200), QPointF(300, 250), display, display);
    const auto rect = [&] { return *findAnnotation(store().rectangles(), id); };
    EXPECT_EQ(rect().rect.topLeft(), QPointF(0.3, 0.25));

    model.undo();
    EXPECT_EQ(rect().rect.topLeft(), QPointF(0.2, 0.2));
    EXPECT_EQ(rect().lineWidth, 8.0);
    model.undo();
    EXPECT_EQ(rect().lineWidth, 2.0);
    EXPECT_EQ(store().rectangles().size(), 1);
    EXPECT_FALSE(model.canUndo());
}
