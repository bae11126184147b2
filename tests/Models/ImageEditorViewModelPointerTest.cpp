#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Models/AnnotationGeometry.h"
#include "Models/TextMeasurement.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

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

// Where the only annotation of the store is drawn on the 400 x 300 display: its
// points, rectangle, text box or marker outline.
QRectF shownExtent(const AnnotationManager& store)
{
    const double w = kDisplay.width(), h = kDisplay.height();
    auto shown = [&](QPointF p) { return QPointF(p.x() * w, p.y() * h); };
    auto around = [&](std::initializer_list<QPointF> points) {
        double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
        for (QPointF p : points) {
            left = std::min(left, shown(p).x()), right = std::max(right, shown(p).x());
            top = std::min(top, shown(p).y()), bottom = std::max(bottom, shown(p).y());
        }
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    };
    if (!store.arrows().isEmpty())
        return around({ store.arrows()[0].startPoint, store.arrows()[0].endPoint });
    if (!store.lines().isEmpty())
        return around({ store.lines()[0].startPoint, store.lines()[0].endPoint });
    if (!store.rectangles().isEmpty()) {
        const QRectF r = store.rectangles()[0].rect;
        return around({ r.topLeft(), r.bottomRight() });
    }
    if (!store.freehands().isEmpty())
        return pointsBoundingRect(store.freehands()[0].points, w, h);
    if (!store.texts().isEmpty())
        return textBoxRect(store.texts()[0], w, h, kImage.width());
    if (!store.numbers().isEmpty()) {
        const NumberAnnotation& n = store.numbers()[0];
        return numberMarkerPath(n.shape, shown(n.position), n.diameter).boundingRect();
    }
    return {};
}

::testing::AssertionResult onTheImage(const QRectF& box)
{
    constexpr double e = 1e-9;
    if (std::isfinite(box.left()) && box.left() >= -e && box.top() >= -e && box.right() <= kDisplay.width() + e
        && box.bottom() <= kDisplay.height() + e)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << box.left() << ", " << box.top() << ") to (" << box.right() << ", "
                                         << box.bottom() << ") is not on the 400 x 300 image";
}

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

TEST_F(EditorPointerTest, WhatEveryToolMakesBesideTheImageIsOnIt)
{
    // Each tool used in the grey beside the shown image, or over its edge.
    struct Case {
        const char* name;
        ToolType tool;
        QPointF from, to;
        NumberShape shape = NumberShape::circle;
    };
    const Case cases[] = {
        { "line, wholly left of the image", ToolType::line, { -50, 100 }, { -150, 220 } },
        { "arrow, from above to beyond the right", ToolType::arrow, { 100, -60 }, { 600, 200 } },
        { "rectangle over the top-left corner", ToolType::rectangle, { -50, -50 }, { 100, 120 } },
        { "mosaic over the bottom edge", ToolType::mosaic, { 100, 250 }, { 200, 500 } },
        { "spotlight over the right edge", ToolType::spotlight, { 300, 100 }, { 700, 200 } },
        { "freehand below the image", ToolType::freehand, { 50, 350 }, { 250, 420 } },
        { "highlighter left of it", ToolType::highlighter, { -80, 40 }, { -90, 240 } },
        { "marker left of the image", ToolType::number, { -60, 150 }, { -60, 150 } },
        { "marker above and right of it", ToolType::number, { 450, -40 }, { 450, -40 } },
        { "marker on the bottom edge", ToolType::number, { 200, 299 }, { 200, 299 } },
        { "teardrop marker below it", ToolType::number, { 100, 330 }, { 100, 330 }, NumberShape::teardrop },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store().clearAll();
        model.setCurrentNumberShape(c.shape);
        model.setCurrentNumberDiameter(30);
        model.selectTool(c.tool);
        drag({ c.from, (c.from + c.to) / 2, c.to });
        ASSERT_EQ(store().arrows().size() + store().lines().size() + store().rectangles().size()
                      + store().freehands().size() + store().numbers().size(),
            1u);
        EXPECT_TRUE(onTheImage(shownExtent(store())));
    }
    // A marker placed beside the image lies against its edge, at the height clicked.
    store().clearAll();
    model.setCurrentNumberShape(NumberShape::circle);
    model.selectTool(ToolType::number);
    click(QPointF(-60, 150));
    ASSERT_EQ(store().numbers().size(), 1);
    EXPECT_NEAR(store().numbers()[0].position.x() * kDisplay.width(), 15.0, 1e-9);
    EXPECT_NEAR(store().numbers()[0].position.y(), 0.5, 1e-12);
}

TEST_F(EditorPointerTest, ADraggedAnnotationOfEveryKindStopsAtTheImageEdge)
{
    const FreehandAnnotation stroke{ .points = { { 0.3, 0.3 }, { 0.4, 0.35 }, { 0.45, 0.5 } }, .lineWidth = 4 };
    const LineAnnotation line{ .startPoint = { 0.6, 0.2 }, .endPoint = { 0.7, 0.6 }, .lineWidth = 3 };
    const NumberAnnotation marker{ .position = { 0.5, 0.5 }, .value = 1, .diameter = 30 };
    const NumberAnnotation drop{ .position = { 0.5, 0.5 }, .value = 1, .diameter = 30, .shape = NumberShape::teardrop };
    const TextAnnotation text{ .text = "move", .position = { 0.5, 0.5 }, .fontSize = 30, .fontName = "DejaVu Sans",
                               .width = 0.2 };
    struct Case {
        const char* name;
        std::function<void(AnnotationManager&)> add;
    };
    const Case cases[] = {
        { "arrow", [](AnnotationManager& s) { s.appendArrow(arrow()); } },
        { "line", [&](AnnotationManager& s) { s.appendLine(line); } },
        { "rectangle", [](AnnotationManager& s) { s.appendRectangle(rectangle()); } },
        { "freehand", [&](AnnotationManager& s) { s.appendFreehand(stroke); } },
        { "marker", [&](AnnotationManager& s) { s.appendNumber(marker); } },
        { "teardrop marker", [&](AnnotationManager& s) { s.appendNumber(drop); } },
        { "text", [&](AnnotationManager& s) { s.appendText(text); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store().clearAll();
        c.add(store());
        const QRectF before = shownExtent(store());
        const QPointF start = before.center();
        model.handleDragChanged(start, start, kDisplay, kImage);
        ASSERT_TRUE(store().selectedAnnotationId().has_value()) << "taken hold of";

        // Far to the right: it stops at the right edge and still moves down with the pointer.
        model.handleDragChanged(start, start + QPointF(3000, 10), kDisplay, kImage);
        QRectF box = shownExtent(store());
        EXPECT_NEAR(box.right(), 400.0, 1e-9);
        EXPECT_NEAR(box.top(), before.top() + 10, 1e-9);
        // The pointer back to 20 points short of where the annotation stopped: it follows.
        model.handleDragChanged(start, start + QPointF(400.0 - before.right() - 20, 10), kDisplay, kImage);
        EXPECT_NEAR(shownExtent(store()).right(), 380.0, 1e-9);
        // Off the bottom-left corner, then released there.
        model.handleDragChanged(start, start + QPointF(-3000, 3000), kDisplay, kImage);
        model.handleDragEnded(start, start + QPointF(-3000, 3000), kDisplay, kImage);
        box = shownExtent(store());
        EXPECT_TRUE(onTheImage(box));
        EXPECT_NEAR(box.left(), 0.0, 1e-9);
        EXPECT_NEAR(box.bottom(), 300.0, 1e-9);
        model.undo();
        const QRectF undone = shownExtent(store());
        EXPECT_NEAR(undone.left(), before.left(), 1e-9) << "the whole drag is one undo step";
        EXPECT_NEAR(undone.top(), before.top(), 1e-9);
    }
}
