#include "PixelProbe.h"
#include "Models/AnnotationManager.h"
#include "Models/Palette.h"
#include "Views/AnnotationOverlay.h"
#include "Views/RendererCommon.h"

#include <gtest/gtest.h>

using PixelProbe::at;
using PixelProbe::near;

namespace {

const QSizeF kSize(200, 200);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 255, 0);

QImage paintOverlay(const AnnotationOverlay& overlay, QColor background = Qt::white)
{
    QImage image = PixelProbe::blank(int(overlay.size.width()), int(overlay.size.height()), background);
    QPainter painter(&image);
    overlay.paint(painter);
    return image;
}

AnnotationOverlay overlayOf(const AnnotationManager& store)
{
    AnnotationOverlay overlay;
    overlay.annotations = &store;
    overlay.size = kSize;
    overlay.originalImageSize = kSize;
    return overlay;
}

int previewed(int channelBelow, int channelDrawn, double opacity)
{
    return qRound(channelBelow + (channelDrawn - channelBelow) * opacity);
}

} // namespace

TEST(AnnotationOverlay, kindsAreLayeredWhateverTheOrderTheyWereMadeIn)
{
    AnnotationManager store;
    // Made in reverse of the drawing order: marker, text, rectangle, arrow, then the stroke.
    store.appendNumber(NumberAnnotation{.position = {0.5, 0.5}, .value = 1, .color = paletteGreen, .diameter = 30});
    store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.3, 0.3, 0.4, 0.4), .strokeColor = paletteBlue,
                                              .fillColor = paletteBlue, .lineWidth = 2});
    store.appendArrow(ArrowAnnotation{.startPoint = {0.1, 0.2}, .endPoint = {0.9, 0.2}, .color = paletteRed,
                                      .lineWidth = 8, .headStyle = ArrowHeadStyle::open});
    store.appendArrow(ArrowAnnotation{.startPoint = {0.5, 0.05}, .endPoint = {0.5, 0.95}, .color = paletteRed,
                                      .lineWidth = 8, .headStyle = ArrowHeadStyle::dot});
    store.appendFreehand(FreehandAnnotation{.points = {{0.05, 0.2}, {0.95, 0.2}}, .color = RgbaColor(0, 0, 0),
                                            .lineWidth = 12, .capStyle = LineCapStyle::butt});
    const QImage image = paintOverlay(overlayOf(store));

    EXPECT_TRUE(near(at(image, 50, 40), kRed)) << "the arrow lies above the stroke made after it";
    EXPECT_TRUE(near(at(image, 100, 70), kBlue)) << "the rectangle lies above the arrow";
    EXPECT_TRUE(near(at(image, 90, 100), kGreen)) << "the marker lies above the rectangle";
    EXPECT_TRUE(near(at(image, 100, 112), kGreen)) << "the marker lies above the arrow";
    EXPECT_TRUE(near(at(image, 100, 40), kRed)) << "within a kind the later one lies above";
    EXPECT_TRUE(near(at(image, 15, 40), QColor(0, 0, 0)));
}

TEST(AnnotationOverlay, previewsShowAtPreviewOpacityOnlyWhenCompleteInTheirToolsStyle)
{
    AnnotationManager store;
    AnnotationOverlayPreviews previews;
    AnnotationOverlay overlay = overlayOf(store);
    overlay.previews = &previews;
    previews.currentArrowColor = paletteRed;
    previews.currentArrowLineWidth = 6;
    previews.currentArrowHeadStyle = ArrowHeadStyle::filled;
    previews.tempArrowStart = QPointF(20, 50);
    EXPECT_TRUE(PixelProbe::inkBounds(paintOverlay(overlay), Qt::white, 0).isNull())
        << "an arrow preview with only its start draws nothing";

    previews.tempArrowEnd = QPointF(180, 50);
    const QImage arrow = paintOverlay(overlay);
    const int faded = previewed(255, 0, RendererStyle::previewOpacity);
    EXPECT_TRUE(near(at(arrow, 100, 50), QColor(255, faded, faded), 2));

    // A line preview in view points, with the dotted style's end dots.
    previews.tempArrowStart.reset();
    previews.tempLineStart = QPointF(20, 100);
    previews.tempLineEnd = QPointF(180, 100);
    previews.currentLineColor = paletteBlue;
    previews.currentLineLineWidth = 4;
    previews.currentLineStyle = LineStyle::dotted;
    const QImage line = paintOverlay(overlay);
    EXPECT_TRUE(near(at(line, 100, 100), QColor(faded, faded, 255), 2));
    EXPECT_TRUE(near(at(line, 20, 104), QColor(faded, faded, 255), 40)) << "end dot";

    // A highlighter stroke needs two points and multiplies onto what lies below.
    previews = {};
    previews.currentFreehandColor = RgbaColor(1, 1, 0);
    previews.currentFreehandLineWidth = 3;
    previews.currentFreehandLineCap = LineCapStyle::butt;
    previews.currentFreehandIsHighlighter = true;
    previews.currentHighlighterAlpha = 0.5;
    previews.tempFreehandPoints = QList<QPointF>{{20, 100}};
    EXPECT_TRUE(PixelProbe::inkBounds(paintOverlay(overlay), Qt::white, 0).isNull());
    previews.tempFreehandPoints->append(QPointF(180, 100));
    const QImage stroke = paintOverlay(overlay);
    // Yellow multiplied at 0.5 x 0.6 = 30 % onto white.
    EXPECT_TRUE(near(at(stroke, 100, 100), QColor(255, 255, previewed(255, 0, 0.5 * RendererStyle::previewOpacity)), 3));
    EXPECT_NEAR(PixelProbe::countAlongColumn(stroke, 100, 0, 200, Qt::white, 3), 200 - 12, 1)
        << "drawn at the highlighter width";

    // A rectangle dragged from the bottom right to the top left is a plain outline.
    previews = {};
    previews.currentShapeType = ShapeType::rectangle;
    previews.currentStrokeColor = paletteRed;
    previews.currentRectLineWidth = 4;
    previews.tempRectStart = QPointF(150, 150);
    previews.tempRectEnd = QPointF(50, 50);
    const QImage rectangle = paintOverlay(overlay, QColor(40, 80, 120));
    EXPECT_NEAR(at(rectangle, 50, 100).red(), previewed(40, 255, RendererStyle::previewOpacity), 2);
    EXPECT_TRUE(near(at(rectangle, 100, 100), QColor(40, 80, 120), 0)) << "not pixelated, not dimmed, not filled";
    EXPECT_TRUE(near(at(rectangle, 10, 10), QColor(40, 80, 120), 0));

    // A text box's frame is dashed and at least one point wide.
    previews = {};
    previews.tempTextBoxRect = QRectF(60, 40, 0, 100);
    const QImage box = paintOverlay(overlay);
    const QRect ink = PixelProbe::inkBounds(box, Qt::white, 20);
    ASSERT_FALSE(ink.isNull());
    EXPECT_LE(ink.width(), 3);
    EXPECT_NEAR(ink.center().x(), 60, 1.5);
    const int blank = PixelProbe::countAlongColumn(box, ink.left(), 42, 138, Qt::white, 20);
    EXPECT_GT(blank, 20) << "dashes leave gaps";
    EXPECT_LT(blank, 76);
}

TEST(AnnotationOverlay, textBeingEditedIsLeftToTheEditorAndTheRestFollowsTheDisplayScale)
{
    AnnotationManager store;
    const TextAnnotation text{.text = QStringLiteral("Hg"), .position = {0.5, 0.5}, .fontSize = 40,
                              .color = paletteRed, .width = 0.8};
    store.appendText(text);
    AnnotationOverlay overlay = overlayOf(store);
    EXPECT_FALSE(PixelProbe::inkBounds(paintOverlay(overlay), Qt::white).isNull());
    overlay.editingTextId = text.id;
    EXPECT_TRUE(PixelProbe::inkBounds(paintOverlay(overlay), Qt::white, 0).isNull());
    overlay.editingTextId = QUuid::createUuid();
    EXPECT_FALSE(PixelProbe::inkBounds(paintOverlay(overlay), Qt::white).isNull());

    // Shown at half the image's size, the text is drawn at half its size.
    overlay.originalImageSize = QSizeF(400, 400);
    const int half = PixelProbe::inkBounds(paintOverlay(overlay), Qt::white).height();
    EXPECT_EQ(overlay.textScale(), 0.5);
    overlay.originalImageSize = QSizeF(0, 400);
    const int unscaled = PixelProbe::inkBounds(paintOverlay(overlay), Qt::white).height();
    EXPECT_EQ(overlay.textScale(), 1.0);
    EXPECT_NEAR(half, unscaled / 2.0, 2.5);
}

TEST(AnnotationOverlay, handlesAreDrawnOnTopOfEverything)
{
    AnnotationManager store;
    store.appendNumber(NumberAnnotation{.position = {0.5, 0.5}, .value = 1, .color = paletteGreen, .diameter = 60});
    store.appendFreehand(FreehandAnnotation{.points = {{0.1, 0.1}, {0.3, 0.4}}, .color = paletteRed,
                                            .lineWidth = 2, .isSelected = true});
    store.appendFreehand(FreehandAnnotation{.points = {{0.6, 0.6}}, .color = paletteRed, .isSelected = true});
    store.appendFreehand(FreehandAnnotation{.points = {{0.0, 0.0}, {1.0, 1.0}}, .color = paletteRed});

    const std::vector<QRectF> frames = AnnotationOverlay::selectedFreehandFrames(store, kSize);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], QRectF(20, 20, 40, 60));
    EXPECT_EQ(frames[1], QRectF(120, 120, 0, 0));

    const SelectionHandlesLayer handles = SelectionHandles::prepare({{100, 90}}, std::nullopt, std::nullopt, frames);
    AnnotationOverlay overlay = overlayOf(store);
    overlay.handles = &handles;
    const QImage image = paintOverlay(overlay);
    EXPECT_TRUE(near(at(image, 100, 90), RendererStyle::standardBlue()));
    EXPECT_TRUE(near(at(image, 100, 110), kGreen));
}

TEST(AnnotationOverlay, withoutAStoreNothingIsDrawn)
{
    AnnotationOverlay empty;
    empty.size = kSize;
    EXPECT_TRUE(PixelProbe::inkBounds(paintOverlay(empty), Qt::white, 0).isNull());
}
