#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

// The image is 800 x 600 pixels shown at 400 x 300 points.
const QSizeF kDisplay(400, 300);
const QSizeF kImage(800, 600);

class EditorPointerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        model.setClockForTesting([this] { return clock; });
        model.setLoadedImage(solidImage(800, 600), QUrl::fromLocalFile("/tmp/p.png"));
    }
    AnnotationManager& store() { return *model.annotationManager(); }

    // A drag through the given points, then the release at the last one.
    void drag(std::initializer_list<QPointF> path)
    {
        const QPointF start = *path.begin();
        QPointF last = start;
        for (QPointF p : path) {
            model.handleDragChanged(start, p, kDisplay, kImage);
            last = p;
        }
        model.handleDragEnded(start, last, kDisplay, kImage);
    }
    void click(QPointF p)
    {
        model.handleDragEnded(p, p, kDisplay, kImage);
        clock += std::chrono::milliseconds(100);
    }

    ImageEditorViewModel::Clock::time_point clock {};
    ImageEditorViewModel model;
};

} // namespace

TEST_F(EditorPointerTest, LinesAndArrowsNeedTwentyPoints)
{
    model.selectTool(ToolType::line);
    model.handleDragChanged(QPointF(-10, 10), QPointF(50, 500), kDisplay, kImage);
    EXPECT_EQ(model.tempLineStart(), QPointF(0, 10)) << "clamped to the image";
    EXPECT_EQ(model.tempLineEnd(), QPointF(50, 300));
    model.handleDragEnded(QPointF(-10, 10), QPointF(50, 500), kDisplay, kImage);
    ASSERT_EQ(store().lines().size(), 1);
    EXPECT_EQ(store().lines().first().startPoint, QPointF(0, 10.0 / 300));
    EXPECT_EQ(store().lines().first().lineWidth, model.currentLineLineWidth());
    EXPECT_FALSE(model.tempLineStart().has_value());

    model.selectTool(ToolType::arrow);
    drag({ QPointF(100, 100), QPointF(110, 110) }); // 14 points: dropped
    EXPECT_TRUE(store().arrows().isEmpty());
    EXPECT_EQ(model.undoStack().size(), 1) << "a dropped shape leaves no undo step";
    drag({ QPointF(100, 100), QPointF(130, 100) });
    ASSERT_EQ(store().arrows().size(), 1);
    EXPECT_EQ(store().arrows().first().endPoint, QPointF(130.0 / 400, 100.0 / 300));
    EXPECT_FALSE(store().arrows().first().isSelected);
}

TEST_F(EditorPointerTest, RectanglesMosaicAndSpotlightAreas)
{
    model.selectTool(ToolType::rectangle);
    drag({ QPointF(100, 100), QPointF(130, 105) }); // 30 x 5: too thin
    EXPECT_TRUE(store().rectangles().isEmpty());
    EXPECT_FALSE(model.canUndo());

    drag({ QPointF(140, 120), QPointF(100, 60) }); // dragged up and left
    ASSERT_EQ(store().rectangles().size(), 1);
    const RectangleAnnotation r = store().rectangles().first();
    EXPECT_EQ(r.rect, QRectF(100.0 / 400, 60.0 / 300, 40.0 / 400, 60.0 / 300));
    EXPECT_EQ(r.cornerRadius, 8.0);
    EXPECT_EQ(r.effect, AnnotationEffect::none);

    model.setCurrentMosaicIntensity(12);
    model.setCurrentSpotlightDim(0.7);
    model.selectTool(ToolType::mosaic);
    drag({ QPointF(0, 0), QPointF(50, 50) });
    model.selectTool(ToolType::spotlight);
    drag({ QPointF(200, 200), QPointF(250, 250) });
    ASSERT_EQ(store().rectangles().size(), 3);
    const RectangleAnnotation mosaic = store().rectangles()[1], spot = store().rectangles()[2];
    EXPECT_EQ(std::tuple(mosaic.effect, mosaic.mosaicIntensity, mosaic.spotlightDim),
              std::tuple(AnnotationEffect::mosaic, 12.0, 0.45));
    EXPECT_EQ(std::tuple(spot.effect, spot.mosaicIntensity, spot.spotlightDim),
              std::tuple(AnnotationEffect::spotlight, 5.0, 0.7));
}

TEST_F(EditorPointerTest, FreehandSpacingAndThresholds)
{
    model.selectTool(ToolType::freehand);
    model.handleDragChanged(QPointF(10, 10), QPointF(11, 10), kDisplay, kImage);
    model.handleDragChanged(QPointF(10, 10), QPointF(13, 10), kDisplay, kImage);
    model.handleDragChanged(QPointF(10, 10), QPointF(14, 10), kDisplay, kImage);
    EXPECT_EQ(*model.tempFreehandPoints(), (QList<QPointF> { QPointF(10, 10), QPointF(13, 10) }))
        << "points under 2.0 apart are dropped";

    // A long path that ends near its start is dropped.
    model.setTempFreehandPoints(std::nullopt);
    drag({ QPointF(10, 10), QPointF(60, 10), QPointF(60, 60), QPointF(15, 12) });
    EXPECT_TRUE(store().freehands().isEmpty());
    EXPECT_FALSE(model.canUndo());

    drag({ QPointF(10, 10), QPointF(30, 20), QPointF(60, 40) });
    ASSERT_EQ(store().freehands().size(), 1);
    EXPECT_EQ(store().freehands().first().points.size(), 3);
    EXPECT_FALSE(store().freehands().first().isHighlighter);
}

TEST_F(EditorPointerTest, HighlighterIsOneAxisSegmentWithThePanelOpacity)
{
    model.selectTool(ToolType::highlighter);
    model.setCurrentHighlighterAlpha(0.3);
    model.handleDragChanged(QPointF(10, 10), QPointF(60, 60), kDisplay, kImage);
    EXPECT_EQ(*model.tempFreehandPoints(), (QList<QPointF> { QPointF(10, 10), QPointF(60, 10) })) << "a tie is horizontal";
    model.handleDragChanged(QPointF(10, 10), QPointF(20, 90), kDisplay, kImage);
    EXPECT_EQ(*model.tempFreehandPoints(), (QList<QPointF> { QPointF(10, 10), QPointF(10, 90) }));
    model.handleDragEnded(QPointF(10, 10), QPointF(20, 90), kDisplay, kImage);
    ASSERT_EQ(store().freehands().size(), 1);
    EXPECT_TRUE(store().freehands().first().isHighlighter);
    EXPECT_EQ(store().freehands().first().highlighterAlpha, 0.3) << "as the preview showed it";
}

TEST_F(EditorPointerTest, NumbersCountOnAndClicksSelect)
{
    model.selectTool(ToolType::number);
    click(QPointF(40, 30));
    click(QPointF(120, 30));
    ASSERT_EQ(store().numbers().size(), 2);
    EXPECT_EQ(store().numbers()[0].position, QPointF(0.1, 0.1));
    EXPECT_EQ(store().numbers()[1].value, 2);

    store().appendNumber({ .position = { 0.9, 0.9 }, .value = 5, .diameter = 28 });
    click(QPointF(200, 100));
    EXPECT_EQ(store().numbers().last().value, 6);

    // A click on an existing marker selects it and leaves the number tool.
    click(QPointF(40, 30));
    EXPECT_EQ(store().numbers().size(), 4);
    EXPECT_EQ(model.currentTool(), ToolType::none);
    EXPECT_EQ(store().selectedAnnotationId(), store().numbers()[0].id);

    store().clearAll();
    model.selectTool(ToolType::number);
    click(QPointF(200, 200));
    EXPECT_EQ(store().numbers().first().value, 1);
    // A drag with the number tool places nothing.
    drag({ QPointF(10, 10), QPointF(30, 30) });
    EXPECT_EQ(store().numbers().size(), 1);
}

TEST_F(EditorPointerTest, TextToolClicksAndDrags)
{
    model.setCurrentFontSize(20); // 10 points on screen: the box is at least 15 high
    model.selectTool(ToolType::text);
    model.handleDragChanged(QPointF(50, 50), QPointF(52, 52), kDisplay, kImage);
    EXPECT_FALSE(model.tempTextBoxRect().has_value()) << "under 5 points no box";
    model.handleDragChanged(QPointF(50, 50), QPointF(60, 55), kDisplay, kImage);
    EXPECT_EQ(model.tempTextBoxRect(), QRectF(50, 50, 10, 5));
    model.handleDragEnded(QPointF(50, 50), QPointF(60, 55), kDisplay, kImage);
    EXPECT_FALSE(model.tempTextBoxRect().has_value());
    EXPECT_FALSE(model.isEditingText()) << "11 points: neither a click nor a box";

    drag({ QPointF(50, 50), QPointF(70, 55) });
    ASSERT_TRUE(model.isEditingText());
    EXPECT_EQ(model.tempTextWidth(), 40.0) << "narrow boxes are widened";
    EXPECT_EQ(model.tempTextHeight(), 15.0);
    EXPECT_TRUE(model.tempTextIsFixedWidth());

    // While editing: drags do nothing, a click inside keeps editing, outside commits.
    model.setTempTextInput("note");
    model.handleDragChanged(QPointF(300, 200), QPointF(350, 250), kDisplay, kImage);
    EXPECT_FALSE(model.tempTextBoxRect().has_value());
    click(QPointF(60, 55));
    EXPECT_TRUE(model.isEditingText());
    click(QPointF(300, 250));
    EXPECT_FALSE(model.isEditingText());
    ASSERT_EQ(store().texts().size(), 1);
    EXPECT_EQ(store().texts().first().text, "note");
    EXPECT_EQ(model.currentTool(), ToolType::none);

    // A click on empty space opens a new box there.
    model.selectTool(ToolType::text);
    click(QPointF(200, 250));
    EXPECT_TRUE(model.isEditingText());
    EXPECT_FALSE(model.tempTextIsFixedWidth());
}

TEST_F(EditorPointerTest, SelectingMovingAndDoubleClickingWithNoTool)
{
    const TextAnnotation text{ .text = "Hi", .position = QPointF(0.5, 0.5), .fontSize = 20, .fontName = "DejaVu Sans",
                               .width = 0.1 };
    const ArrowAnnotation a = arrow();
    store().appendText(text);
    store().appendArrow(a);

    // Drag the arrow (its box spans 40...200 x 30...150 points).
    model.handleDragChanged(QPointF(100, 100), QPointF(100, 100), kDisplay, kImage);
    EXPECT_EQ(store().selectedAnnotationId(), a.id);
    EXPECT_EQ(model.editingArrowId(), a.id);
    model.handleDragChanged(QPointF(100, 100), QPointF(140, 70), kDisplay, kImage);
    model.handleDragEnded(QPointF(100, 100), QPointF(140, 70), kDisplay, kImage);
    EXPECT_NEAR(store().arrows().first().startPoint.x(), 0.2, 1e-12);
    EXPECT_NEAR(store().arrows().first().startPoint.y(), 0.0, 1e-12);
    EXPECT_EQ(store().selectedAnnotationId(), a.id) << "a move neither selects nor deselects";
    EXPECT_FALSE(model.annotationDragLastLocation().has_value());
    EXPECT_EQ(model.undoStack().size(), 1) << "a move is one undo step";

    // A click on empty space deselects and clears the editing ids.
    click(QPointF(390, 290));
    EXPECT_FALSE(store().selectedAnnotationId().has_value());
    EXPECT_FALSE(model.editingArrowId().has_value());

    // Two clicks on the text within 0.5 s and 5 points open it for editing.
    click(QPointF(200, 150));
    EXPECT_EQ(store().selectedAnnotationId(), text.id);
    EXPECT_FALSE(model.isEditingText());
    model.handleDragEnded(QPointF(202, 151), QPointF(202, 151), kDisplay, kImage);
    EXPECT_TRUE(model.isEditingText());
    EXPECT_EQ(model.editingTextId(), text.id);
}

TEST_F(EditorPointerTest, DoubleClicksAreStrictInTimeAndDistanceAndADrawingToolClickSelects)
{
    click(QPointF(10, 10));
    EXPECT_TRUE(model.isDoubleClick(QPointF(14.9, 10)));
    EXPECT_FALSE(model.isDoubleClick(QPointF(15, 10)));
    clock += std::chrono::milliseconds(400);
    EXPECT_FALSE(model.isDoubleClick(QPointF(10, 10))) << "exactly 0.5 s after the click";
    clock -= std::chrono::milliseconds(1);
    EXPECT_TRUE(model.isDoubleClick(QPointF(10, 10)));

    const RectangleAnnotation r = rectangle();
    store().appendRectangle(r);
    model.selectTool(ToolType::freehand);
    click(QPointF(120, 120));
    EXPECT_EQ(model.currentTool(), ToolType::none);
    EXPECT_EQ(store().selectedAnnotationId(), r.id);
    EXPECT_EQ(model.editingRectId(), r.id);
}
