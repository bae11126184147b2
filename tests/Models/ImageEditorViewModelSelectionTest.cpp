#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;
using Kind = ImageEditorViewModel::HandleDragKind::Kind;
using Handle = ImageEditorViewModel::HandleDragKind;

namespace {

const QSizeF kDisplay(400, 300);

class EditorSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        model.setLoadedImage(solidImage(800, 600), QUrl::fromLocalFile("/tmp/sel.png"));
    }
    AnnotationManager& store() { return *model.annotationManager(); }
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorSelectionTest, HandlesOfEverySelectedKind)
{
    EXPECT_TRUE(model.selectionHandles(kDisplay).isEmpty());
    const ArrowAnnotation a = arrow(true);
    const RectangleAnnotation r = rectangle(true);
    const FreehandAnnotation f{ .points = { { 0.1, 0.2 }, { 0.3, 0.1 }, { 0.2, 0.4 } }, .isSelected = true };
    const TextAnnotation t{ .text = "x", .position = { 0.5, 0.5 }, .fontSize = 20, .width = 0.25, .isSelected = true };
    store().appendArrow(a);
    store().appendRectangle(r);
    store().appendFreehand(f);
    store().appendText(t);

    const auto handles = model.selectionHandles(kDisplay);
    ASSERT_EQ(handles.size(), 2 + 4 + 4 + 2);
    EXPECT_EQ(handles[0].kind, (Handle { Kind::arrow, a.id, true }));
    EXPECT_EQ(handles[0].point, QPointF(40, 30));
    EXPECT_EQ(handles[1].point, QPointF(200, 150));
    EXPECT_EQ(handles[2].kind, (Handle { Kind::rectCorner, r.id, false, 0 }));
    EXPECT_EQ(handles[2].point, QPointF(80, 60));
    EXPECT_EQ(handles[4].point, QPointF(200, 150)) << "corner 2 is bottom-right";
    EXPECT_EQ(handles[5].point, QPointF(80, 150));
    EXPECT_NEAR(handles[6].point.x(), 40, 1e-9);
    EXPECT_NEAR(handles[6].point.y(), 30, 1e-9);
    EXPECT_EQ(handles[10].kind, (Handle { Kind::textSide, t.id, false, 0, true }));
    EXPECT_EQ(handles[10].point.x(), 200 - 51.0);
    EXPECT_EQ(handles[11].point.x(), 200 + 51.0);

    // A text open in the editor has no handles.
    model.setIsEditingText(true);
    model.setEditingTextId(t.id);
    EXPECT_EQ(model.selectionHandles(kDisplay).size(), 10);
}

TEST_F(EditorSelectionTest, EndPointHandlesMoveWithOneUndoStep)
{
    ArrowAnnotation a = arrow(true);
    store().appendArrow(a);
    const Handle end { Kind::arrow, a.id, false };
    model.beginHandleDrag(end, QPointF(200, 150), kDisplay);
    EXPECT_EQ(model.activeHandleKind(), end);
    EXPECT_FALSE(model.hoveredHandleIndex().has_value());
    model.updateHandleDrag(QPointF(300, 150), kDisplay);
    model.updateHandleDrag(QPointF(320, 160), kDisplay);
    EXPECT_EQ(store().arrows().first().endPoint, QPointF(0.8, 160.0 / 300));
    EXPECT_EQ(store().arrows().first().startPoint, QPointF(0.1, 0.1));
    EXPECT_EQ(model.undoStack().size(), 1);
    model.endHandleDrag();
    EXPECT_FALSE(model.activeHandleKind().has_value());

    model.undo();
    EXPECT_EQ(store().arrows().first().endPoint, QPointF(0.5, 0.5));

    // Pressing and releasing a handle without moving it leaves no step.
    const LineAnnotation l{ .startPoint = { 0.1, 0.1 }, .endPoint = { 0.4, 0.4 } };
    store().appendLine(l);
    const qsizetype depth = model.undoStack().size();
    model.beginHandleDrag({ Kind::line, l.id, true }, QPointF(40, 30), kDisplay);
    model.updateHandleDrag(QPointF(40, 30), kDisplay);
    model.endHandleDrag();
    EXPECT_EQ(model.undoStack().size(), depth);
}

TEST_F(EditorSelectionTest, RectangleCornersKeepTheOppositeCornerAndNormalise)
{
    RectangleAnnotation r = rectangle(true); // 80,60 to 200,150 points
    store().appendRectangle(r);
    model.beginHandleDrag({ Kind::rectCorner, r.id, false, 2 }, QPointF(200, 150), kDisplay);
    model.updateHandleDrag(QPointF(240, 180), kDisplay);
    EXPECT_EQ(store().rectangles().first().rect, QRectF(0.2, 0.2, 0.4, 0.4));

    // Within 10 points of the fixed corner: the last accepted shape stays.
    model.updateHandleDrag(QPointF(85, 100), kDisplay);
    EXPECT_EQ(store().rectangles().first().rect, QRectF(0.2, 0.2, 0.4, 0.4));

    // Past the fixed corner: the rectangle flips over it and still touches it.
    model.updateHandleDrag(QPointF(40, 30), kDisplay);
    EXPECT_EQ(store().rectangles().first().rect, QRectF(0.1, 0.1, 0.1, 0.1));
    model.updateHandleDrag(QPointF(20, 150), kDisplay);
    EXPECT_EQ(store().rectangles().first().rect, QRectF(20.0 / 400, 0.2, 60.0 / 400, 0.3));
    EXPECT_EQ(model.undoStack().size(), 1);
}

TEST_F(EditorSelectionTest, FreehandCornersScaleFromTheStartOfTheDrag)
{
    const FreehandAnnotation f{ .points = { { 0.1, 0.1 }, { 0.3, 0.3 } }, .isSelected = true }; // 40,30 to 120,90 points
    store().appendFreehand(f);
    model.beginHandleDrag({ Kind::freehandCorner, f.id, false, 2 }, QPointF(120, 90), kDisplay);
    ASSERT_TRUE(model.draggingFreehandOriginalBounds().has_value());
    model.updateHandleDrag(QPointF(200, 150), kDisplay); // twice as large
    auto points = store().freehands().first().points;
    EXPECT_NEAR(points[1].x(), 0.5, 1e-12);
    EXPECT_NEAR(points[1].y(), 0.5, 1e-12);
    model.updateHandleDrag(QPointF(200, 150), kDisplay);
    EXPECT_NEAR(store().freehands().first().points[1].x(), 0.5, 1e-12) << "not cumulative";
    model.updateHandleDrag(QPointF(45, 200), kDisplay); // within 10 points horizontally
    EXPECT_NEAR(store().freehands().first().points[1].x(), 0.5, 1e-12);
    // Dragged past the anchor the stroke is not mirrored.
    model.updateHandleDrag(QPointF(0, 0), kDisplay);
    points = store().freehands().first().points;
    EXPECT_NEAR(points[0].x(), 0.1, 1e-12);
    EXPECT_NEAR(points[1].x(), 0.2, 1e-12);
}

TEST_F(EditorSelectionTest, TextSidesKeepAMinimumWidth)
{
    // 100 points wide: the box spans 149...251.
    const TextAnnotation t{ .text = "x", .position = { 0.5, 0.5 }, .fontSize = 20, .width = 0.25, .isSelected = true };
    store().appendText(t);
    model.beginHandleDrag({ Kind::textSide, t.id, false, 0, false }, QPointF(251, 150), kDisplay);
    model.updateHandleDrag(QPointF(349, 150), kDisplay);
    EXPECT_DOUBLE_EQ(store().texts().first().width, 198.0 / 400);
    EXPECT_DOUBLE_EQ(store().texts().first().position.x(), (149 + 100.0) / 400);
    EXPECT_EQ(store().texts().first().position.y(), 0.5);
    model.endHandleDrag();

    // The left side dragged close to the right edge: 50 points wide, left at the pointer.
    model.beginHandleDrag({ Kind::textSide, t.id, false, 0, true }, QPointF(149, 150), kDisplay);
    model.updateHandleDrag(QPointF(340, 150), kDisplay);
    EXPECT_DOUBLE_EQ(store().texts().first().width, 48.0 / 400);
    EXPECT_DOUBLE_EQ(store().texts().first().position.x(), 365.0 / 400);
}

TEST_F(EditorSelectionTest, MovingNeedsASelection)
{
    ArrowAnnotation a = arrow();
    store().appendArrow(a);
    model.setAnnotationDragLastLocation(QPointF(10, 10));
    model.moveSelectedAnnotation(QPointF(20, 20), kDisplay);
    EXPECT_FALSE(model.annotationDragLastLocation().has_value());
    EXPECT_EQ(store().arrows().first().startPoint, QPointF(0.1, 0.1));

    store().selectAnnotation(a.id);
    model.setAnnotationDragLastLocation(QPointF(10, 10));
    model.moveSelectedAnnotation(QPointF(10, 10), kDisplay);
    EXPECT_EQ(model.annotationDragLastLocation(), QPointF(10, 10));
    model.moveSelectedAnnotation(QPointF(50, 40), kDisplay);
    EXPECT_EQ(store().arrows().first().startPoint, QPointF(0.2, 0.2));
}
