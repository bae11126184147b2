#include "Models/ImageEditorViewModel.h"

#include "EditorTestSupport.h"
#include "Core/Settings.h"
#include "Models/Palette.h"
#include "Platform/UserDefaults.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace EditorTestSupport;

namespace {

const RgbaColor kBlue(0.0, 0.0, 1.0);
const RgbaColor kGreen(0.0, 1.0, 0.0);

class EditorStylesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        UserDefaults::standard().remove(Settings::toolStyleSnapshot.name());
        model = std::make_unique<ImageEditorViewModel>();
        model->setClockForTesting([this] { return clock; });
        model->setLoadedImage(solidImage(400, 300), QUrl::fromLocalFile("/tmp/s.png"));
    }
    void TearDown() override { UserDefaults::standard().remove(Settings::toolStyleSnapshot.name()); }

    AnnotationManager& store() { return *model->annotationManager(); }
    qsizetype undoDepth() const { return model->undoStack().size(); }
    void later(int ms = 5000) { clock += std::chrono::milliseconds(ms); }

    ImageEditorViewModel::Clock::time_point clock {};
    std::unique_ptr<ImageEditorViewModel> model;
};

} // namespace

TEST_F(EditorStylesTest, WithoutATargetNothingIsWrittenOrRecorded)
{
    store().appendArrow(arrow());
    model->setCurrentArrowLineWidth(7);
    EXPECT_EQ(store().arrows().first().lineWidth, 3.0);
    EXPECT_EQ(undoDepth(), 0);
    EXPECT_EQ(model->currentArrowLineWidth(), 7.0);
}

TEST_F(EditorStylesTest, TheSelectedAnnotationWinsOverTheEditedOne)
{
    ArrowAnnotation selected = arrow(true);
    ArrowAnnotation edited = arrow();
    store().appendArrow(edited);
    store().appendArrow(selected);
    model->setEditingArrowId(edited.id);

    model->setCurrentArrowLineWidth(9);
    EXPECT_EQ(store().arrows()[1].lineWidth, 9.0);
    EXPECT_EQ(store().arrows()[0].lineWidth, 3.0);
    EXPECT_EQ(undoDepth(), 1);

    // Nothing selected: the edited one receives the value.
    store().deselectAll();
    later();
    model->setCurrentArrowHeadStyle(ArrowHeadStyle::filled);
    EXPECT_EQ(store().arrows()[0].headStyle, ArrowHeadStyle::filled);
    EXPECT_EQ(store().arrows()[1].headStyle, ArrowHeadStyle::open);
    EXPECT_EQ(undoDepth(), 2);

    // The same value again: written, no undo step.
    later();
    model->setCurrentArrowHeadStyle(ArrowHeadStyle::filled);
    EXPECT_EQ(undoDepth(), 2);

    model->undo();
    EXPECT_EQ(store().arrows()[0].headStyle, ArrowHeadStyle::open);
}

TEST_F(EditorStylesTest, EverySetterReachesItsKind)
{
    store().appendRectangle(rectangle(true));
    store().appendNumber({ .diameter = 28, .isSelected = true });
    store().appendLine({ .endPoint = { 1, 1 }, .lineWidth = 3, .isSelected = true });
    store().appendFreehand({ .points = { { 0, 0 }, { 1, 1 } }, .lineWidth = 3, .isSelected = true });
    store().appendText({ .text = "hi", .fontSize = 16, .fontName = "DejaVu Sans", .isSelected = true });
    // Each undo step announces the history once (the stack itself is capped at 10).
    QSignalSpy steps(model.get(), &ImageEditorViewModel::historyChanged);

    model->setCurrentShapeType(ShapeType::circle);
    model->setCurrentRectLineWidth(6);
    model->setCurrentFillColor(kGreen);
    model->setCurrentRectEffect(AnnotationEffect::spotlight);
    model->setCurrentNumberColor(kBlue);
    model->setCurrentNumberDiameter(40);
    model->setCurrentNumberShape(NumberShape::teardrop);
    model->setCurrentLineLineWidth(8);
    model->setCurrentLineStyle(LineStyle::dotted);
    model->setCurrentFreehandLineWidth(11);
    model->setCurrentFreehandLineCap(LineCapStyle::taper);
    model->setCurrentFontName("Liberation Serif");
    model->setCurrentFontSize(30);

    const RectangleAnnotation& r = store().rectangles().first();
    EXPECT_EQ(std::tuple(r.shapeType, r.lineWidth, r.fillColor, r.effect),
              std::tuple(ShapeType::circle, 6.0, std::optional<RgbaColor>(kGreen), AnnotationEffect::spotlight));
    const NumberAnnotation& n = store().numbers().first();
    EXPECT_EQ(std::tuple(n.color, n.diameter, n.shape), std::tuple(kBlue, 40.0, NumberShape::teardrop));
    EXPECT_EQ(std::pair(store().lines().first().lineWidth, store().lines().first().lineStyle),
              std::pair(8.0, LineStyle::dotted));
    EXPECT_EQ(std::pair(store().freehands().first().lineWidth, store().freehands().first().capStyle),
              std::pair(11.0, LineCapStyle::taper));
    EXPECT_EQ(store().texts().first().fontName, "Liberation Serif");
    // Font sizes are in the image's pixels on both sides: no conversion.
    EXPECT_EQ(store().texts().first().fontSize, 30.0);
    EXPECT_EQ(steps.count(), 13);

    // Removing the fill is a change; removing it again is not.
    later();
    model->setCurrentFillColor(std::nullopt);
    EXPECT_FALSE(store().rectangles().first().fillColor.has_value());
    EXPECT_EQ(steps.count(), 14);
    later();
    model->setCurrentFillColor(std::nullopt);
    EXPECT_EQ(steps.count(), 14);
}

TEST_F(EditorStylesTest, ThresholdsDecideTheUndoStep)
{
    RectangleAnnotation spot = rectangle(true);
    spot.effect = AnnotationEffect::spotlight;
    spot.spotlightDim = 0.45;
    spot.mosaicIntensity = 5;
    store().appendRectangle(spot);

    model->setCurrentSpotlightDim(0.4505);
    EXPECT_EQ(store().rectangles().first().spotlightDim, 0.4505) << "written";
    EXPECT_EQ(undoDepth(), 0) << "below 0.001";
    later();
    model->setCurrentSpotlightDim(0.4525);
    EXPECT_EQ(undoDepth(), 1);

    // The mosaic intensity of a spotlight area is written but never recorded.
    later();
    model->setCurrentMosaicIntensity(20);
    EXPECT_EQ(store().rectangles().first().mosaicIntensity, 20.0);
    EXPECT_EQ(undoDepth(), 1);

    store().deselectAll();
    store().appendNumber({ .diameter = 28, .isSelected = true });
    later();
    model->setCurrentNumberDiameter(28.005);
    EXPECT_EQ(store().numbers().first().diameter, 28.005);
    EXPECT_EQ(undoDepth(), 1);

    store().deselectAll();
    store().appendFreehand({ .points = { { 0, 0 }, { 1, 1 } }, .highlighterAlpha = 0.5, .isSelected = true });
    later();
    model->setCurrentHighlighterAlpha(0.8);
    EXPECT_EQ(store().freehands().first().highlighterAlpha, 0.8) << "written to a pen stroke too";
    EXPECT_EQ(undoDepth(), 1) << "but recorded only for highlighter strokes";
}

TEST_F(EditorStylesTest, TheFiveLineAndTextColoursActAsOne)
{
    store().appendRectangle(rectangle(true));
    QSignalSpy styles(model.get(), &ImageEditorViewModel::stylesChanged);

    model->setCurrentArrowColor(kBlue);
    for (const RgbaColor& c : { model->currentStrokeColor(), model->currentLineColor(), model->currentFreehandColor(),
                                model->currentTextColor() })
        EXPECT_EQ(c, kBlue);
    EXPECT_EQ(model->currentNumberColor(), paletteRed) << "not one of the five";
    EXPECT_EQ(styles.count(), 5);
    // Only the property assigned from outside reaches an annotation.
    EXPECT_EQ(store().rectangles().first().strokeColor, RgbaColor());
    EXPECT_EQ(undoDepth(), 0);

    later();
    model->setCurrentStrokeColor(kGreen);
    EXPECT_EQ(store().rectangles().first().strokeColor, kGreen);
    EXPECT_EQ(model->currentArrowColor(), kGreen);
    EXPECT_EQ(model->currentTextColor(), kGreen);
    EXPECT_EQ(undoDepth(), 1);
    EXPECT_FALSE(model->isSyncingToolColors());
}

TEST_F(EditorStylesTest, LoadingATextsStyleWritesNothingBack)
{
    const TextAnnotation text{ .text = "x", .fontSize = 10, .fontName = "Mono", .color = kGreen };
    store().appendText(text);
    model->selectAnnotationLoadingStyle(text.id);
    EXPECT_EQ(model->currentTextColor(), kGreen);
    EXPECT_EQ(model->currentFontName(), "Mono");
    EXPECT_EQ(model->currentFontSize(), 12.0) << "snapped into the panel's range";
    EXPECT_EQ(model->currentArrowColor(), paletteRed) << "no colour sync while loading";
    EXPECT_EQ(store().texts().first().fontSize, 10.0);
    EXPECT_EQ(undoDepth(), 0);
    EXPECT_EQ(model->editingTextStyleId(), text.id);
}

TEST_F(EditorStylesTest, OneContinuousChangeIsOneUndoStep)
{
    ArrowAnnotation a = arrow(true);
    store().appendArrow(a);
    // A slider drag: many values in quick succession.
    for (int w = 4; w <= 20; ++w) {
        clock += std::chrono::milliseconds(30);
        model->setCurrentArrowLineWidth(w);
    }
    EXPECT_EQ(store().arrows().first().lineWidth, 20.0);
    EXPECT_EQ(undoDepth(), 1);
    model->undo();
    EXPECT_EQ(store().arrows().first().lineWidth, 3.0) << "one undo returns to before the drag";

    // A pause, another property, or any other change start a new step.
    store().selectAnnotation(a.id);
    model->setCurrentArrowLineWidth(5);
    later(2000);
    model->setCurrentArrowLineWidth(6);
    EXPECT_EQ(undoDepth(), 2);
    model->setCurrentArrowHeadStyle(ArrowHeadStyle::dot);
    EXPECT_EQ(undoDepth(), 3);
    model->setCurrentArrowLineWidth(7);
    EXPECT_EQ(undoDepth(), 4);
    model->saveUndoState();
    model->setCurrentArrowLineWidth(8);
    EXPECT_EQ(undoDepth(), 6);

    // The same style on another annotation is another step.
    ArrowAnnotation b = arrow(true);
    store().deselectAll();
    store().appendArrow(b);
    model->setCurrentArrowLineWidth(9);
    EXPECT_EQ(undoDepth(), 7);
}

TEST_F(EditorStylesTest, StylesAreSavedOnlyWhileRemembering)
{
    model->setCurrentArrowLineWidth(7);
    EXPECT_FALSE(UserDefaults::standard().data(Settings::toolStyleSnapshot.name()).has_value());

    UserDefaults::standard().set(Settings::rememberToolStyles.name(), true);
    model->setCurrentBackdropPadding(12);
    auto stored = UserDefaults::standard().data(Settings::toolStyleSnapshot.name());
    ASSERT_TRUE(stored.has_value());
    auto snapshot = ToolStyleSnapshot::fromJson(*stored);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(snapshot->backdropPadding, 12.0);
    EXPECT_EQ(snapshot->arrowLineWidth, 7.0);

    model->setCurrentTextColor(kBlue);
    snapshot = ToolStyleSnapshot::fromJson(*UserDefaults::standard().data(Settings::toolStyleSnapshot.name()));
    EXPECT_EQ(snapshot->arrowColor, ImageEditorViewModel::makeRGBSnapshot(kBlue)) << "the save follows the sync";
}

