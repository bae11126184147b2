#include "Core/Settings.h"
#include "Views/ToolPropertyPanels.h"

#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Models/EditorTestSupport.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/Palette.h"
#include "Platform/UserDefaults.h"
#include "Views/ColorSwatch.h"

#include <QLayout>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace EditorTestSupport;

namespace {

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().set(Settings::rememberToolStyles.name(), false);
        UserDefaults::standard().set(Settings::appLanguage.name(), "en");
        model = std::make_unique<ImageEditorViewModel>();
        model->setClockForTesting([this] { return clock; });
        model->setLoadedImage(solidImage(400, 300), QUrl::fromLocalFile("/tmp/panels.png"));
    }
    void TearDown() override
    {
        panels.clear();
        UserDefaults::standard().remove(Settings::appLanguage.name());
        UserDefaults::standard().remove(Settings::toolStyleSnapshot.name());
    }

    AnnotationManager& store() { return *model->annotationManager(); }
    qsizetype undoDepth() const { return model->undoStack().size(); }
    // The next user gesture: past the model's grouping of one continuous change.
    void later() { clock += std::chrono::seconds(5); }

    template <typename Panel>
    Panel* open()
    {
        auto panel = std::make_unique<Panel>(model.get());
        Panel* raw = panel.get();
        raw->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(raw));
        panels.push_back(std::move(panel));
        return raw;
    }

    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }
    static void pick(PanelSegmentedPicker* picker, int index) { click(picker->segments()[index]); }
    // Moves a slider the way keys do: to its start, then step by step to `position`.
    static void slideTo(PanelSlider* slider, int position)
    {
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        for (int i = 0; i < position; ++i)
            QTest::keyClick(slider, Qt::Key_Right);
    }

    ImageEditorViewModel::Clock::time_point clock {};
    std::unique_ptr<ImageEditorViewModel> model;
    std::vector<std::unique_ptr<QWidget>> panels;
};

} // namespace

TEST(PanelReadouts, RoundHalvesAwayFromZero)
{
    EXPECT_EQ(panelPixelText(2.5), "3px");
    EXPECT_EQ(panelPixelText(-2.5), "-3px");
    EXPECT_EQ(panelPixelText(3.49), "3px");
    EXPECT_EQ(panelPercentText(0.55), "55%"); // 0.55 x 100 is 55.000000000000007
    EXPECT_EQ(panelPercentText(0.35), "35%"); // and 0.35 x 100 is 34.99999999999999
    EXPECT_EQ(panelPlainText(5.0), "5");
}

TEST(PanelSliders, DecimalStepsAreExact)
{
    PanelSlider dim(0.1, 0.8, 0.05);
    ASSERT_EQ(dim.stepCount() + 1, 15);
    const double dims[] = { 0.1, 0.15, 0.2, 0.25, 0.3, 0.35, 0.4, 0.45, 0.5, 0.55, 0.6, 0.65, 0.7, 0.75, 0.8 };
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(dim.valueAt(i), dims[i]) << i; // exactly the double of the decimal
        EXPECT_EQ(dim.positionFor(dims[i]), i);
    }
    PanelSlider size(16, 64, 1);
    EXPECT_EQ(size.stepCount(), 48);
    EXPECT_EQ(size.valueAt(48), 64.0);
    // Values off the steps or out of range show at the nearest position.
    EXPECT_EQ(size.positionFor(100.0), 48);
    EXPECT_EQ(size.positionFor(3.0), 0);
    EXPECT_EQ(dim.positionFor(0.43), 7);
}

TEST(PanelSliders, MouseJumpsAndDragsOverTheSteps)
{
    PanelSlider slider(1, 12, 1);
    slider.resize(200, 22);
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
    QList<double> seen;
    QObject::connect(&slider, &QAbstractSlider::valueChanged, [&](int p) { seen.append(slider.valueAt(p)); });
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(199, 11));
    EXPECT_EQ(slider.decimalValue(), 12.0);
    QMouseEvent move(QEvent::MouseMove, QPointF(8, 11), slider.mapToGlobal(QPointF(8, 11)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &move);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(8, 11));
    EXPECT_EQ(slider.decimalValue(), 1.0);
    EXPECT_EQ(seen, (QList<double> { 12.0, 1.0 }));
}

TEST_F(PanelTest, ArrowPanelRestylesTheSelectedArrowOneUndoStepPerChange)
{
    ArrowAnnotation a = arrow(true);
    a.color = paletteRed;
    store().appendArrow(a);
    model->setCurrentArrowLineWidth(3);
    model->setCurrentArrowHeadStyle(ArrowHeadStyle::open);
    const qsizetype start = undoDepth();
    auto* panel = open<ArrowPropertyView>();

    // Shows the current style.
    EXPECT_EQ(panel->title()->text(), "Arrow Tool");
    EXPECT_EQ(panel->optionPicker()->selectedIndex(), std::optional<int>(0));
    EXPECT_EQ(panel->widthReadout()->valueText()->text(), "3px");
    EXPECT_EQ(panel->widthSlider()->decimalValue(), 3.0);
    EXPECT_TRUE(panel->colorPicker()->swatches()[0]->isSelected());

    later();
    pick(panel->optionPicker(), 1);
    EXPECT_EQ(store().arrows()[0].headStyle, ArrowHeadStyle::filled);
    EXPECT_EQ(panel->optionPicker()->selectedIndex(), std::optional<int>(1));
    EXPECT_EQ(undoDepth(), start + 1);

    // A slide over several steps is one gesture, one undo step.
    later();
    slideTo(panel->widthSlider(), 6);
    EXPECT_EQ(store().arrows()[0].lineWidth, 7.0);
    EXPECT_EQ(model->currentArrowLineWidth(), 7.0);
    EXPECT_EQ(panel->widthReadout()->valueText()->text(), "7px");
    EXPECT_EQ(undoDepth(), start + 2);

    later();
    click(panel->colorPicker()->swatches()[1]);
    EXPECT_EQ(store().arrows()[0].color, paletteBlue);
    EXPECT_EQ(undoDepth(), start + 3);
    EXPECT_TRUE(panel->colorPicker()->swatches()[1]->isSelected());
    EXPECT_FALSE(panel->colorPicker()->swatches()[0]->isSelected());

    model->undo();
    EXPECT_EQ(store().arrows()[0].color, paletteRed);
    EXPECT_EQ(store().arrows()[0].lineWidth, 7.0);
}

TEST_F(PanelTest, LinePanelWritesStyleWidthAndColour)
{
    store().appendLine({ .startPoint = { 0.1, 0.1 }, .endPoint = { 0.6, 0.4 }, .lineWidth = 3, .color = paletteRed,
                         .isSelected = true });
    model->setCurrentLineStyle(LineStyle::solid);
    auto* panel = open<LinePropertyView>();
    EXPECT_EQ(panel->optionPicker()->segments().size(), 3);

    pick(panel->optionPicker(), 2);
    EXPECT_EQ(store().lines()[0].lineStyle, LineStyle::dotted);
    slideTo(panel->widthSlider(), 11);
    EXPECT_EQ(store().lines()[0].lineWidth, 12.0);
    click(panel->colorPicker()->swatches()[3]);
    EXPECT_EQ(store().lines()[0].color, paletteOrange);
}

TEST_F(PanelTest, RectanglePanelWritesShapeBorderAndFillIncludingNoFill)
{
    store().appendRectangle(rectangle(true));
    model->setCurrentFillColor(std::nullopt);
    auto* panel = open<RectanglePropertyView>();
    EXPECT_TRUE(panel->fillColorPicker()->noColorSwatch()->isSelected());
    EXPECT_EQ(panel->widthReadout()->valueText()->text(), panelPixelText(model->currentRectLineWidth()));

    pick(panel->shapePicker(), 2);
    EXPECT_EQ(store().rectangles()[0].shapeType, ShapeType::circle);
    slideTo(panel->widthSlider(), 4);
    EXPECT_EQ(store().rectangles()[0].lineWidth, 5.0);
    click(panel->strokeColorPicker()->swatches()[4]);
    EXPECT_EQ(store().rectangles()[0].strokeColor, palettePurple);
    click(panel->fillColorPicker()->swatches()[2]);
    EXPECT_EQ(store().rectangles()[0].fillColor, std::optional<RgbaColor>(paletteGreen));
    EXPECT_FALSE(panel->fillColorPicker()->noColorSwatch()->isSelected());
    // The fill changes alone: no other colour follows it.
    EXPECT_EQ(model->currentArrowColor(), palettePurple);
    click(panel->fillColorPicker()->noColorSwatch());
    EXPECT_FALSE(store().rectangles()[0].fillColor.has_value());
    EXPECT_FALSE(model->currentFillColor().has_value());
    EXPECT_TRUE(panel->fillColorPicker()->noColorSwatch()->isSelected());
}

TEST_F(PanelTest, TextPanelOffersTheDesignsSizesAndFontsAndShowsNoneForOthers)
{
    const TextAnnotation text{ .text = QStringLiteral("Hello"), .position = { 0.5, 0.5 }, .fontSize = 20,
                               .fontName = QStringLiteral("Helvetica"), .color = paletteBlack, .width = 0.3 };
    store().appendText(text);
    model->selectAnnotationLoadingStyle(text.id);
    auto* panel = open<TextPropertyView>();

    ASSERT_EQ(panel->fontSizes().size(), 19);
    EXPECT_EQ(panel->fontSizes().first(), 12.0);
    EXPECT_EQ(panel->fontSizes().last(), 48.0);
    EXPECT_EQ(panel->fontSizePicker()->count(), 19);
    EXPECT_EQ(panel->fontSizePicker()->itemText(0), "12px");
    QStringList labels;
    for (int i = 0; i < panel->fontPicker()->count(); ++i)
        labels << panel->fontPicker()->itemText(i);
    // The design's names, each with the face that draws it here (the tests pin DejaVu
    // Sans as the interface font; the Liberation faces stand in for the others).
    EXPECT_EQ(labels, (QStringList { "SF Pro — DejaVu Sans", "Helvetica — Liberation Sans", "Arial — Liberation Sans",
                                     "Times — Liberation Serif", "Georgia — DejaVu Sans" }));

    // The selected text's style is on show.
    EXPECT_EQ(panel->fontSizePicker()->currentText(), "20px");
    EXPECT_EQ(panel->fontPicker()->currentText(), "Helvetica — Liberation Sans");
    EXPECT_TRUE(panel->colorPicker()->swatches()[7]->isSelected());

    // Choosing "Times" stores the face's full name, and the text takes it.
    panel->fontPicker()->setFocus();
    QTest::keyClick(panel->fontPicker(), Qt::Key_Down);
    QTest::keyClick(panel->fontPicker(), Qt::Key_Down);
    EXPECT_EQ(model->currentFontName(), "Times New Roman");
    EXPECT_EQ(store().texts()[0].fontName, "Times New Roman");
    panel->fontSizePicker()->setFocus();
    QTest::keyClick(panel->fontSizePicker(), Qt::Key_Down);
    EXPECT_EQ(model->currentFontSize(), 22.0);
    EXPECT_EQ(store().texts()[0].fontSize, 22.0);
    click(panel->colorPicker()->swatches()[1]);
    EXPECT_EQ(store().texts()[0].color, paletteBlue);

    // Values the lists lack select nothing rather than a wrong entry.
    model->setCurrentFontName(QStringLiteral("Comic Sans MS"));
    model->setCurrentFontSize(15);
    EXPECT_EQ(panel->fontPicker()->currentIndex(), -1);
    EXPECT_EQ(panel->fontSizePicker()->currentIndex(), -1);
    EXPECT_EQ(model->currentFontName(), "Comic Sans MS");
}

TEST_F(PanelTest, FreehandAndHighlighterPanelsShareWidthColourAndEnds)
{
    store().appendFreehand({ .points = { { 0.1, 0.1 }, { 0.3, 0.2 }, { 0.5, 0.2 } }, .color = paletteRed, .lineWidth = 3,
                             .isHighlighter = true, .highlighterAlpha = 0.5, .isSelected = true });
    model->setCurrentFreehandLineCap(LineCapStyle::round);
    model->setCurrentHighlighterAlpha(0.5);
    auto* freehand = open<FreehandPropertyView>();
    auto* highlighter = open<HighlighterPropertyView>();
    EXPECT_EQ(highlighter->alphaReadout()->valueText()->text(), "50%");
    EXPECT_EQ(highlighter->capPicker()->segments().size(), 2);

    slideTo(highlighter->widthSlider(), 8);
    EXPECT_EQ(store().freehands()[0].lineWidth, 9.0);
    EXPECT_EQ(freehand->widthReadout()->valueText()->text(), "9px");
    EXPECT_EQ(freehand->widthSlider()->decimalValue(), 9.0);

    slideTo(highlighter->alphaSlider(), 7);
    EXPECT_EQ(model->currentHighlighterAlpha(), 0.55);
    EXPECT_EQ(store().freehands()[0].highlighterAlpha, 0.55);
    EXPECT_EQ(highlighter->alphaReadout()->valueText()->text(), "55%");

    click(freehand->colorPicker()->swatches()[6]);
    EXPECT_EQ(store().freehands()[0].color, paletteGray);
    EXPECT_TRUE(highlighter->colorPicker()->swatches()[6]->isSelected());

    // Tapered ends exist for the pen only: the highlighter then shows no option.
    pick(freehand->optionPicker(), 2);
    EXPECT_EQ(store().freehands()[0].capStyle, LineCapStyle::taper);
    EXPECT_EQ(highlighter->capPicker()->selectedIndex(), std::nullopt);
    pick(highlighter->capPicker(), 1);
    EXPECT_EQ(store().freehands()[0].capStyle, LineCapStyle::butt);
    EXPECT_EQ(freehand->optionPicker()->selectedIndex(), std::optional<int>(1));
}

TEST_F(PanelTest, NumberPanelColourStaysApartFromTheOthers)
{
    store().appendNumber({ .position = { 0.5, 0.5 }, .value = 1, .color = paletteRed, .diameter = 24, .isSelected = true });
    model->setCurrentNumberDiameter(24);
    auto* panel = open<NumberPropertyView>();
    EXPECT_EQ(panel->sizeReadout()->valueText()->text(), "24px");
    EXPECT_EQ(panel->sizeSlider()->decimalValue(), 24.0);

    pick(panel->shapePicker(), 1);
    EXPECT_EQ(store().numbers()[0].shape, NumberShape::teardrop);
    slideTo(panel->sizeSlider(), 48);
    EXPECT_EQ(store().numbers()[0].diameter, 64.0);
    click(panel->colorPicker()->swatches()[2]);
    EXPECT_EQ(store().numbers()[0].color, paletteGreen);
    EXPECT_EQ(model->currentArrowColor(), paletteRed);
}

TEST_F(PanelTest, MosaicAndSpotlightPanelsWriteTheirAreasAndShareTheShape)
{
    RectangleAnnotation mosaic = rectangle(true);
    mosaic.effect = AnnotationEffect::mosaic;
    mosaic.mosaicIntensity = 5;
    store().appendRectangle(mosaic);
    model->setCurrentMosaicIntensity(5);
    auto* mosaicPanel = open<MosaicPropertyView>();
    EXPECT_EQ(mosaicPanel->strengthReadout()->valueText()->text(), "5");
    slideTo(mosaicPanel->strengthSlider(), 9);
    EXPECT_EQ(store().rectangles()[0].mosaicIntensity, 10.0);

    store().clearAll();
    RectangleAnnotation spot = rectangle(true);
    spot.effect = AnnotationEffect::spotlight;
    spot.spotlightDim = 0.45;
    store().appendRectangle(spot);
    model->setCurrentSpotlightDim(0.45);
    auto* spotlight = open<SpotlightPropertyView>();
    auto* rectanglePanel = open<RectanglePropertyView>();
    EXPECT_EQ(spotlight->dimReadout()->valueText()->text(), "45%");
    EXPECT_TRUE(spotlight->dimReadout()->valueText()->hasMonospacedDigits());
    slideTo(spotlight->dimSlider(), 14);
    EXPECT_EQ(store().rectangles()[0].spotlightDim, 0.8);
    pick(spotlight->shapePicker(), 1);
    EXPECT_EQ(store().rectangles()[0].shapeType, ShapeType::roundedRectangle);
    EXPECT_EQ(rectanglePanel->shapePicker()->selectedIndex(), std::optional<int>(1));
    pick(rectanglePanel->shapePicker(), 0);
    EXPECT_EQ(spotlight->shapePicker()->selectedIndex(), std::optional<int>(0));
}

TEST_F(PanelTest, PanelsShowTheSelectedAnnotationsOwnStyle)
{
    // A 7-pixel blue ellipse selected while the current border is 2 pixels red: the
    // rectangle panel shows the ellipse; the current style itself stays (only texts
    // load theirs), and with nothing selected the panel shows it again.
    RectangleAnnotation ellipse = rectangle();
    ellipse.shapeType = ShapeType::circle;
    ellipse.lineWidth = 7;
    ellipse.strokeColor = paletteBlue;
    store().appendRectangle(ellipse);
    store().appendArrow(ArrowAnnotation{.startPoint = {0.6, 0.6}, .endPoint = {0.9, 0.9}, .color = paletteGreen,
                                        .lineWidth = 9});
    store().appendNumber(NumberAnnotation{.position = {0.8, 0.2}, .value = 1, .color = paletteRed, .diameter = 40});
    model->setCurrentRectLineWidth(2);
    model->setCurrentStrokeColor(paletteRed);
    auto* rectanglePanel = open<RectanglePropertyView>();
    auto* arrowPanel = open<ArrowPropertyView>();
    auto* numberPanel = open<NumberPropertyView>();

    const struct {
        QUuid id;
        PanelValueReadout* readout;
        const char* shown;
    } cases[] = {
        {ellipse.id, rectanglePanel->widthReadout(), "7px"},
        {store().arrows()[0].id, arrowPanel->widthReadout(), "9px"},
        {store().numbers()[0].id, numberPanel->sizeReadout(), "40px"},
    };
    for (const auto& c : cases) {
        model->selectAnnotationLoadingStyle(c.id);
        EXPECT_EQ(c.readout->valueText()->text(), QString::fromLatin1(c.shown));
    }
    model->selectAnnotationLoadingStyle(ellipse.id);
    EXPECT_EQ(rectanglePanel->shapePicker()->selectedIndex(), std::optional<int>(2));
    EXPECT_TRUE(rectanglePanel->strokeColorPicker()->swatches()[1]->isSelected());
    EXPECT_EQ(model->currentRectLineWidth(), 2.0);
    model->deselectAll();
    EXPECT_EQ(rectanglePanel->widthReadout()->valueText()->text(), "2px");
}

TEST_F(PanelTest, ShowingAStyleWritesNothing)
{
    ArrowAnnotation a = arrow(true);
    a.lineWidth = 2.5; // between two slider steps
    store().appendArrow(a);
    model->setCurrentArrowLineWidth(2.5);
    const qsizetype start = undoDepth();
    int writes = 0;
    QObject::connect(model.get(), &ImageEditorViewModel::stylesChanged, [&] { ++writes; });
    auto* panel = open<ArrowPropertyView>();
    // The readout tells the true value; the knob sits on the nearest step; the model
    // and the arrow keep 2.5.
    EXPECT_EQ(panel->widthReadout()->valueText()->text(), "3px");
    EXPECT_EQ(panel->widthSlider()->decimalValue(), 3.0);
    panel->refresh();
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(model->currentArrowLineWidth(), 2.5);
    EXPECT_EQ(store().arrows()[0].lineWidth, 2.5);
    EXPECT_EQ(undoDepth(), start);
}

TEST_F(PanelTest, EveryToolHasItsOwnPanelAtLeast240WideThatFollowsTheLanguage)
{
    const std::pair<ToolType, const char*> tools[] = {
        { ToolType::line, "LinePropertyView" },           { ToolType::arrow, "ArrowPropertyView" },
        { ToolType::rectangle, "RectanglePropertyView" }, { ToolType::text, "TextPropertyView" },
        { ToolType::freehand, "FreehandPropertyView" },   { ToolType::highlighter, "HighlighterPropertyView" },
        { ToolType::number, "NumberPropertyView" },       { ToolType::mosaic, "MosaicPropertyView" },
        { ToolType::spotlight, "SpotlightPropertyView" },
    };
    QList<ToolPropertyPanel*> shown;
    for (const auto& [tool, className] : tools) {
        ToolPropertyPanel* panel = makeToolPropertyPanel(tool, model.get());
        ASSERT_NE(panel, nullptr);
        panels.emplace_back(panel);
        EXPECT_STREQ(panel->metaObject()->className(), className);
        panel->show();
        shown.append(panel);
    }
    EXPECT_EQ(makeToolPropertyPanel(ToolType::crop, model.get()), nullptr);
    EXPECT_EQ(makeToolPropertyPanel(ToolType::none, model.get()), nullptr);

    for (const QString language : { "en", "zh-Hans", "zh-Hant", "ja", "ko", "de", "fr", "es", "it", "ru" }) {
        UserDefaults::standard().set(Settings::appLanguage.name(), language);
        for (ToolPropertyPanel* panel : shown) {
            panel->adjustSize();
            EXPECT_GE(panel->width(), 240) << language.toStdString();
            EXPECT_EQ(panel->appLanguageRaw(), language);
            // Nothing is cut: the panel is as wide as its widest row wants.
            EXPECT_GE(panel->width(), panel->layout()->minimumSize().width());
        }
    }
    UserDefaults::standard().set(Settings::appLanguage.name(), "ja");
    EXPECT_EQ(shown[1]->title()->text(), QStringLiteral("矢印ツール"));
}
