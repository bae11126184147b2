#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

class EditorToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        model.setLoadedImage(solidImage(800, 600), QUrl::fromLocalFile("/tmp/t.png"));
    }
    AnnotationManager& store() { return *model.annotationManager(); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorToolsTest, ChoosingAToolDropsWhatBelongsToTheOldOne)
{
    model.setTempRectStart(QPointF(1, 1));
    model.setTempRectEnd(QPointF(5, 5));
    model.setCropRect(QRectF(1, 2, 3, 4));
    model.selectTool(ToolType::crop);
    EXPECT_TRUE(model.isCropping());
    EXPECT_TRUE(ImageEditorViewModel::globalIsCropping());
    EXPECT_EQ(model.cropRect(), QRectF(1, 2, 3, 4)) << "crop keeps its rectangle";
    EXPECT_FALSE(model.tempRectStart().has_value());

    store().appendArrow(arrow(true));
    model.setCropDragMode(ImageEditorViewModel::CropDragMode::move());
    model.setTempTextBoxRect(QRectF(0, 0, 9, 9));
    model.setEditingArrowId(store().arrows().first().id);
    model.selectTool(ToolType::highlighter);
    EXPECT_FALSE(model.isCropping() || ImageEditorViewModel::globalIsCropping());
    EXPECT_EQ(model.cropRect(), QRectF());
    EXPECT_EQ(model.cropDragMode(), ImageEditorViewModel::CropDragMode::none());
    EXPECT_TRUE(model.currentFreehandIsHighlighter());
    EXPECT_FALSE(store().selectedAnnotationId().has_value());
    EXPECT_FALSE(model.tempTextBoxRect().has_value());
    EXPECT_TRUE(model.editingArrowId().has_value()) << "editing ids outlive tool changes";

    model.selectTool(ToolType::arrow);
    EXPECT_FALSE(model.currentFreehandIsHighlighter());
    EXPECT_EQ(model.currentTool(), ToolType::arrow);
}

TEST_F(EditorToolsTest, ChoosingAToolCommitsTheTextBeingTypedAndTheNewToolDrawsAtOnce)
{
    const QSizeF display(800, 600);
    model.selectTool(ToolType::text);
    model.handleDragEnded(QPointF(100, 100), QPointF(100, 100), display, display);
    ASSERT_TRUE(model.isEditingText());
    model.setTempTextInput("Abc");

    model.selectTool(ToolType::rectangle);
    EXPECT_FALSE(model.isEditingText());
    ASSERT_EQ(store().texts().size(), 1);
    EXPECT_EQ(store().texts().first().text, "Abc");
    EXPECT_EQ(model.currentTool(), ToolType::rectangle) << "the commit does not take the chosen tool back";
    EXPECT_TRUE(model.canUndo());

    model.handleDragChanged(QPointF(200, 200), QPointF(200, 200), display, display);
    model.handleDragChanged(QPointF(200, 200), QPointF(300, 280), display, display);
    model.handleDragEnded(QPointF(200, 200), QPointF(300, 280), display, display);
    EXPECT_EQ(store().rectangles().size(), 1);
    EXPECT_EQ(model.currentTool(), ToolType::rectangle);

    // Undo takes the rectangle, then the text, one step each.
    model.undo();
    EXPECT_TRUE(store().rectangles().isEmpty());
    EXPECT_EQ(store().texts().size(), 1);
    model.undo();
    EXPECT_TRUE(store().texts().isEmpty());

    // An edit of a stored text is kept the same way; an empty box leaves nothing.
    model.redo();
    model.editTextAnnotation(store().texts().first().id, display);
    model.setTempTextInput("Abcd");
    model.selectTool(ToolType::arrow);
    EXPECT_EQ(store().texts().first().text, "Abcd");
    model.selectTool(ToolType::text);
    model.handleDragEnded(QPointF(400, 400), QPointF(400, 400), display, display);
    ASSERT_TRUE(model.isEditingText());
    model.selectTool(ToolType::line);
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(store().texts().size(), 1);
}

TEST_F(EditorToolsTest, SelectingRecordsTheEditingIds)
{
    ArrowAnnotation a = arrow();
    RectangleAnnotation r = rectangle();
    store().appendArrow(a);
    store().appendRectangle(r);
    const RgbaColor arrowColor = model.currentArrowColor();

    model.selectAnnotationLoadingStyle(a.id);
    EXPECT_EQ(store().selectedAnnotationId(), a.id);
    EXPECT_EQ(model.editingArrowId(), a.id);
    EXPECT_FALSE(model.editingRectId() || model.editingLineId() || model.editingFreehandId() || model.editingNumberId()
        || model.editingTextStyleId());
    EXPECT_EQ(model.currentArrowColor(), arrowColor) << "only texts load style";

    model.selectAnnotationLoadingStyle(r.id);
    EXPECT_EQ(model.editingRectId(), r.id);
    EXPECT_FALSE(model.editingArrowId().has_value());

    model.selectAnnotationLoadingStyle(QUuid::createUuid());
    EXPECT_FALSE(store().selectedAnnotationId().has_value());
    EXPECT_FALSE(model.editingRectId().has_value());

    // Loading a text: size snapped to an even 12...48.
    for (auto [stored, shown] : { std::pair { 13.0, 14.0 }, std::pair { 5.0, 12.0 }, std::pair { 60.0, 48.0 } }) {
        const TextAnnotation t{ .text = "x", .fontSize = stored };
        store().appendText(t);
        model.selectAnnotationLoadingStyle(t.id);
        EXPECT_EQ(model.currentFontSize(), shown) << stored;
        EXPECT_EQ(store().texts().last().fontSize, stored);
    }
    EXPECT_FALSE(model.canUndo());
}

TEST_F(EditorToolsTest, RetargetingPicksSelectedThenEditedThenNewest)
{
    ArrowAnnotation a = arrow(), b = arrow(), c = arrow();
    store().appendArrow(a);
    store().appendArrow(b);
    store().appendArrow(c);

    model.setEditingArrowId(b.id);
    model.selectTool(ToolType::arrow);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::arrow));
    EXPECT_EQ(store().selectedAnnotationId(), b.id);

    model.deselectAll();
    model.selectTool(ToolType::arrow);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::arrow));
    EXPECT_EQ(store().selectedAnnotationId(), c.id);

    store().selectAnnotation(a.id);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::arrow));
    EXPECT_EQ(store().selectedAnnotationId(), a.id);

    EXPECT_FALSE(model.retargetSelectionToTool(ToolType::line));
    EXPECT_FALSE(model.retargetSelectionToTool(ToolType::pan));
    EXPECT_EQ(store().selectedAnnotationId(), a.id) << "pan leaves the selection alone";
}

TEST_F(EditorToolsTest, FamiliesFollowEffectsAndHighlighting)
{
    const RectangleAnnotation plain = rectangle();
    RectangleAnnotation mosaic = rectangle();
    mosaic.effect = AnnotationEffect::mosaic;
    store().appendRectangle(plain);
    store().appendRectangle(mosaic);
    model.setEditingRectId(mosaic.id);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::rectangle));
    EXPECT_EQ(store().selectedAnnotationId(), plain.id) << "the mosaic area is not a plain rectangle";
    EXPECT_EQ(model.editingRectId(), plain.id);
    EXPECT_EQ(model.selectedAnnotationKind(), ToolType::rectangle);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::mosaic));
    EXPECT_EQ(model.selectedAnnotationKind(), ToolType::mosaic);
    EXPECT_FALSE(model.retargetSelectionToTool(ToolType::spotlight));

    const FreehandAnnotation pen{ .points = { { 0, 0 }, { 0.5, 0.5 } } };
    const FreehandAnnotation marker{ .points = pen.points, .isHighlighter = true };
    store().appendFreehand(pen);
    store().appendFreehand(marker);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::highlighter));
    EXPECT_EQ(model.selectedAnnotationKind(), ToolType::highlighter);
    EXPECT_TRUE(model.retargetSelectionToTool(ToolType::freehand));
    EXPECT_EQ(store().selectedAnnotationId(), pen.id);
    EXPECT_EQ(model.selectedAnnotationKind(), ToolType::freehand);

    RectangleAnnotation spot = rectangle(true);
    spot.effect = AnnotationEffect::spotlight;
    store().deselectAll();
    store().appendRectangle(spot);
    EXPECT_EQ(model.selectedAnnotationKind(), ToolType::spotlight);
    store().deselectAll();
    EXPECT_FALSE(model.selectedAnnotationKind().has_value());
}
