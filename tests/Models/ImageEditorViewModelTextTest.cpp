#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

class EditorTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        model.setLoadedImage(solidImage(1600, 1200), QUrl::fromLocalFile("/tmp/t.png"));
        model.setCurrentFontName("DejaVu Sans");
    }
    AnnotationManager& store() { return *model.annotationManager(); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorTextTest, AClickOpensALeftAnchoredBox)
{
    model.beginTextEditing(QPointF(100, 50), QSizeF(800, 600), std::nullopt, 24);
    EXPECT_TRUE(model.isEditingText());
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->x(), 0.14);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->y(), 62.0 / 600.0);
    EXPECT_EQ(model.tempTextAnchorLeftX(), 0.125);
    EXPECT_FALSE(model.tempTextAnchorTopY().has_value());
    EXPECT_EQ(std::pair(model.tempTextWidth(), model.tempTextHeight()), std::pair(24.0, 24.0));
    EXPECT_FALSE(model.tempTextIsFixedWidth());

    // Growing keeps the left edge; without a top anchor the centre height stays.
    model.setTempTextWidth(124);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->x(), 0.125 + 62.0 / 800.0);
    model.setTempTextHeight(80);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->y(), 62.0 / 600.0);
}

TEST_F(EditorTextTest, ADraggedBoxIsFixedWidthAndAnchoredTopLeft)
{
    model.beginTextEditing(QPointF(100, 50), QSizeF(800, 600), QRectF(100, 50, 200, 10), 24);
    EXPECT_EQ(std::pair(model.tempTextWidth(), model.tempTextHeight()), std::pair(200.0, 24.0));
    EXPECT_TRUE(model.tempTextIsFixedWidth());
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->x(), 0.25);
    EXPECT_DOUBLE_EQ(model.tempTextNormalizedPosition()->y(), 55.0 / 600.0);
    EXPECT_EQ(model.tempTextAnchorLeftX(), 0.125);
    EXPECT_DOUBLE_EQ(*model.tempTextAnchorTopY(), 50.0 / 600.0);
}

TEST_F(EditorTextTest, CommittingANewTextStoresItInImagePixels)
{
    model.setCurrentFontSize(16);
    model.beginTextEditing(QPointF(100, 50), QSizeF(800, 600), std::nullopt, 24);
    model.setTempTextInput("  ");
    model.setTempTextWidth(102);
    model.commitTextEditing(QSizeF(800, 600), 1600);
    ASSERT_EQ(store().texts().size(), 1);
    const TextAnnotation& t = store().texts().first();
    EXPECT_EQ(t.text, "  ") << "spaces are text";
    EXPECT_EQ(t.fontSize, 16.0) << "the font size keeps its unit: the image's pixels";
    EXPECT_DOUBLE_EQ(t.width, 100.0 / 800.0);
    EXPECT_TRUE(model.canUndo());
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(model.currentTool(), ToolType::none);
    EXPECT_EQ(store().selectedAnnotationId(), t.id);
    EXPECT_EQ(model.editingTextStyleId(), t.id);
}

TEST_F(EditorTextTest, EditingAndCommittingUnchangedLeavesNoUndoStep)
{
    const TextAnnotation t{ .text = "hello world", .position = QPointF(0.5, 0.5), .fontSize = 20,
                            .fontName = "DejaVu Sans", .width = 0.25 };
    store().appendText(t);

    // 1000 points showing a 1600-pixel image: the box is measured at 12.5.
    model.editTextAnnotation(t.id, QSizeF(1000, 500));
    EXPECT_TRUE(model.isEditingText());
    EXPECT_EQ(model.editingTextId(), t.id);
    EXPECT_EQ(model.editingTextStyleId(), t.id);
    EXPECT_EQ(model.tempTextInput(), "hello world");
    EXPECT_EQ(model.tempTextWidth(), 252.0);
    EXPECT_EQ(store().selectedAnnotationId(), t.id);

    model.commitTextEditing(QSizeF(1000, 500), 1600);
    EXPECT_FALSE(model.canUndo());
    EXPECT_EQ(store().texts().first().width, 0.25);
    EXPECT_EQ(store().texts().first().position, QPointF(0.5, 0.5));
    EXPECT_FALSE(store().selectedAnnotationId().has_value());
    EXPECT_EQ(model.editingTextStyleId(), t.id);

    // A changed text is one undo step, positioned from the anchors.
    model.editTextAnnotation(t.id, QSizeF(1000, 500));
    model.setTempTextInput("changed");
    model.setTempTextWidth(302);
    model.commitTextEditing(QSizeF(1000, 500), 1600);
    EXPECT_TRUE(model.canUndo());
    EXPECT_EQ(store().texts().first().text, "changed");
    EXPECT_DOUBLE_EQ(store().texts().first().width, 0.3);
    EXPECT_DOUBLE_EQ(store().texts().first().position.x(), 0.5 - 0.126 + 0.151);
}

TEST_F(EditorTextTest, EmptyOrClosedCommitsOnlyCloseTheBox)
{
    const TextAnnotation t{ .text = "old", .width = 0.2 };
    store().appendText(t);
    model.editTextAnnotation(t.id, QSizeF(800, 600));
    model.setTempTextInput("");
    model.setCurrentTool(ToolType::text);
    model.commitTextEditing(QSizeF(800, 600), 1600);
    EXPECT_EQ(store().texts().first().text, "old");
    EXPECT_FALSE(model.canUndo());
    EXPECT_FALSE(model.isEditingText());
    EXPECT_EQ(model.currentTool(), ToolType::text) << "the tool stays";

    model.editTextAnnotation(QUuid::createUuid(), QSizeF(800, 600));
    EXPECT_FALSE(model.isEditingText()) << "an unknown id opens nothing";
}

TEST_F(EditorTextTest, CancelKeepsTheBoxSize)
{
    model.beginTextEditing(QPointF(10, 10), QSizeF(800, 600), QRectF(10, 10, 300, 40), 24);
    model.setTempTextInput("draft");
    model.cancelTextEditing();
    EXPECT_FALSE(model.isEditingText() || model.tempTextNormalizedPosition() || model.tempTextAnchorLeftX());
    EXPECT_TRUE(model.tempTextInput().isEmpty());
    EXPECT_EQ(std::pair(model.tempTextWidth(), model.tempTextHeight()), std::pair(300.0, 40.0));
    EXPECT_TRUE(store().texts().isEmpty());
}
