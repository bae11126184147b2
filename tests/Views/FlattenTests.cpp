#include "Models/AnnotationManager.h"
#include "Models/EditorTestSupport.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/ExportSnapshot.h"
#include "Output/ImageOutputController.h"
#include "PixelProbe.h"
#include "Views/EditorCanvasView.h"
#include "Views/ExportAnnotationPainter.h"

#include <QPainter>
#include <QTransform>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const RgbaColor red{1, 0, 0, 1};
const RgbaColor blue{0, 0, 1, 1};
const RgbaColor green{0, 0.8, 0, 1};
const RgbaColor yellow{1, 0.9, 0, 1};

// Smoothly varying colours, so a mosaic cell differs from the pixels it replaces.
QImage gradientImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(80 + (x * 150) / width, 90 + (y * 140) / height, 200 - (x * 90) / width));
    return image;
}

// How many pixels differ by more than `tolerance` in any channel; a failure names the first.
::testing::AssertionResult nearlySame(const QImage& actual, const QImage& expected, int tolerance, double maxFraction)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << " vs "
                                             << expected.width() << "x" << expected.height();
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage b = expected.convertToFormat(QImage::Format_ARGB32);
    const PixelProbe::Difference d = PixelProbe::difference(a, b, tolerance);
    const double fraction = double(d.pixels) / double(a.width() * a.height());
    if (fraction <= maxFraction)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << d.pixels << " pixels differ (first at " << d.first.x() << ","
                                         << d.first.y() << ": " << PixelProbe::describe(a.pixelColor(d.first))
                                         << " vs " << PixelProbe::describe(b.pixelColor(d.first)) << ")";
}

class FlattenTest : public ::testing::Test {
protected:
    static constexpr int W = 240;
    static constexpr int H = 160;

    void SetUp() override
    {
        model.setIsBackdropEnabled(false);
        model.setLoadedImage(Image(gradientImage(W, H)), QUrl::fromLocalFile(QStringLiteral("/tmp/flatten.png")));
        controller.setAnnotationPainterFactory(ExportAnnotationPainter::factory());
    }

    AnnotationManager& store() { return *model.annotationManager(); }

    // One of every kind, none overlapping another, on the left two thirds of the image.
    void addEveryKind()
    {
        store().appendFreehand(FreehandAnnotation{.points = {{0.05, 0.10}, {0.15, 0.12}, {0.25, 0.10}},
                                                  .color = blue, .lineWidth = 5, .capStyle = LineCapStyle::taper});
        store().appendFreehand(FreehandAnnotation{.points = {{0.05, 0.22}, {0.30, 0.22}}, .color = yellow,
                                                  .lineWidth = 3, .isHighlighter = true, .highlighterAlpha = 0.5});
        store().appendLine(LineAnnotation{.startPoint = {0.05, 0.35}, .endPoint = {0.30, 0.35},
                                          .lineStyle = LineStyle::dashed, .lineWidth = 3, .color = green});
        store().appendLine(LineAnnotation{.startPoint = {0.05, 0.45}, .endPoint = {0.30, 0.45},
                                          .lineStyle = LineStyle::dotted, .lineWidth = 2, .color = red});
        store().appendArrow(ArrowAnnotation{.startPoint = {0.05, 0.60}, .endPoint = {0.35, 0.60}, .color = red,
                                            .lineWidth = 4, .headStyle = ArrowHeadStyle::filled});
        store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.40, 0.05, 0.20, 0.20),
                                                    .shapeType = ShapeType::roundedRectangle, .strokeColor = blue,
                                                    .fillColor = yellow, .lineWidth = 3, .cornerRadius = 6});
        store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.40, 0.35, 0.20, 0.25),
                                                    .shapeType = ShapeType::circle, .strokeColor = green,
                                                    .lineWidth = 4});
        store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.70, 0.05, 0.25, 0.30),
                                                    .effect = AnnotationEffect::mosaic, .mosaicIntensity = 5});
        store().appendText(TextAnnotation{.text = QStringLiteral("Wg"), .position = {0.20, 0.80}, .fontSize = 20,
                                          .color = blue, .width = 0.25});
        store().appendNumber(NumberAnnotation{.position = {0.50, 0.82}, .value = 7, .color = red, .diameter = 28,
                                              .shape = NumberShape::teardrop});
    }

    // The canvas showing the image at zoom 1, filling a canvas exactly its (turned) size.
    QImage canvasAtZoomOne()
    {
        EditorCanvasView canvas(&model);
        const QSize turned = flattenedPixelSize(QSize(W, H), model.rotation());
        canvas.resize(turned);
        model.setZoomLevel(1.0);
        QImage out(turned, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::black);
        QPainter painter(&out);
        canvas.paintCanvas(painter);
        painter.end();
        return out;
    }

    QImage exported()
    {
        const std::optional<QImage> flat = renderFlattenedImage(controller.makeExportSnapshot(*model.selectedImage(), true));
        return flat ? flat->convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
    }

    QColor original(double nx, double ny) const
    {
        return gradientImage(W, H).pixelColor(int(nx * W), int(ny * H));
    }

    ImageEditorViewModel model;
    ImageOutputController controller{model};
};

TEST_F(FlattenTest, EveryKindIsBurntInWhereTheCanvasDrawsIt)
{
    addEveryKind();
    const QImage canvas = canvasAtZoomOne();
    const QImage flat = exported();
    ASSERT_EQ(flat.size(), QSize(W, H));
    EXPECT_TRUE(nearlySame(flat, canvas, 24, 0.002));

    // Each kind really is there (both could be equally empty otherwise).
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.15 * W, 0.11 * H), blue.toQColor(), 40)); // freehand
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.175 * W, 0.35 * H), green.toQColor(), 60) ||
                PixelProbe::near(PixelProbe::at(flat, 0.20 * W, 0.35 * H), green.toQColor(), 60)); // dashed line
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.05 * W, 0.45 * H), red.toQColor(), 40)); // end dot
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.20 * W, 0.60 * H), red.toQColor(), 10)); // arrow shaft
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.50 * W, 0.15 * H), yellow.toQColor(), 10)); // fill
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.40 * W, 0.15 * H), blue.toQColor(), 30)); // stroke
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.50 * W, 0.60 * H - 1), green.toQColor(), 40)); // ellipse
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.50 * W, 0.475 * H), original(0.50, 0.475), 6)); // unfilled
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.50 * W, 0.82 * H + 12), red.toQColor(), 10)); // marker
    const QRect textInk = PixelProbe::inkBounds(flat.copy(QRect(0, int(0.70 * H), int(0.35 * W), int(0.2 * H))),
                                                QColor(0, 0, 0, 0), 0);
    EXPECT_FALSE(textInk.isEmpty());
    // The highlighter multiplies its yellow onto the picture: darker in blue, not replaced.
    const QColor under = original(0.15, 0.22);
    const QColor marked = PixelProbe::at(flat, 0.15 * W, 0.22 * H);
    EXPECT_LT(marked.blue(), under.blue() - 30);
    EXPECT_NEAR(marked.red(), under.red(), 12);
}

TEST_F(FlattenTest, TurnsClockwiseAsTheCanvasShowsIt)
{
    // A filled square in the top-left corner of the picture.
    store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.05, 0.05, 0.15, 0.15), .strokeColor = red,
                                                .fillColor = red, .lineWidth = 0});
    addEveryKind();
    for (const double rotation : {90.0, 180.0, 270.0}) {
        SCOPED_TRACE(rotation);
        model.setRotation(rotation);
        const QImage canvas = canvasAtZoomOne();
        const QImage flat = exported();
        ASSERT_EQ(flat.size(), flattenedPixelSize(QSize(W, H), rotation));
        EXPECT_TRUE(nearlySame(flat, canvas, 24, 0.003));
        // Where the picture's top-left corner went: top right for a clockwise quarter turn.
        const int w = flat.width(), h = flat.height();
        const QPoint corner = rotation == 90.0 ? QPoint(w - 20, 20)
                              : rotation == 180.0 ? QPoint(w - 20, h - 20)
                                                  : QPoint(20, h - 20);
        EXPECT_TRUE(PixelProbe::near(flat.pixelColor(corner), red.toQColor(), 4));
    }
}

TEST_F(FlattenTest, MosaicCellsAreSampledFromTheFullImage)
{
    // Fine stripes: any cell made from a scaled-down copy would come out grey.
    QImage stripes(W, H, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            stripes.setPixel(x, y, (x / 3) % 2 ? qRgb(250, 20, 20) : qRgb(20, 20, 250));
    model.setLoadedImage(Image(stripes), QUrl::fromLocalFile(QStringLiteral("/tmp/stripes.png")));
    store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.25, 0.25, 0.5, 0.5),
                                                .effect = AnnotationEffect::mosaic, .mosaicIntensity = 8});
    const QImage canvas = canvasAtZoomOne();
    const QImage flat = exported();
    EXPECT_TRUE(nearlySame(flat, canvas, 2, 0.0));

    // Intensity 8: 30 cells across the whole width, so each cell is 8 x ~5.3 pixels here,
    // and each cell holds one of the two stripe colours exactly.
    const QRect area(W / 4, H / 4, W / 2, H / 2);
    int redCells = 0, blueCells = 0;
    for (int cx = area.left() + 4; cx < area.right(); cx += 8) {
        const QColor c = flat.pixelColor(cx, area.center().y());
        redCells += PixelProbe::near(c, QColor(250, 20, 20), 2);
        blueCells += PixelProbe::near(c, QColor(20, 20, 250), 2);
        // Flat within the cell.
        EXPECT_EQ(flat.pixel(cx - 2, area.center().y()), flat.pixel(cx + 2, area.center().y()));
    }
    EXPECT_EQ(redCells + blueCells, 15);
    EXPECT_GT(redCells, 0);
    EXPECT_GT(blueCells, 0);
}

TEST_F(FlattenTest, AMosaicCutByACropAndEnlargedHidesEveryCoveredPixelAtTheEdge)
{
    // One-pixel checks, finer than any letter: every two neighbouring pixels differ,
    // and stay different when the image is enlarged smoothly.
    QImage checks(W, H, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            checks.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    struct Case { Qt::Edge cut; QRectF mosaic, crop; }; // the crop's edge through the mosaic; normalised; pixels
    const Case cases[] = {
        {Qt::RightEdge, {0.5, 0.3, 0.3, 0.3}, QRectF(0, 0, 158, H)},
        {Qt::LeftEdge, {0.2, 0.3, 0.3, 0.3}, QRectF(83, 0, W - 83, H)},
        {Qt::BottomEdge, {0.3, 0.5, 0.3, 0.3}, QRectF(0, 0, W, 105)},
        {Qt::TopEdge, {0.3, 0.2, 0.3, 0.3}, QRectF(0, 55, W, H - 55)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cut);
        model.setLoadedImage(Image(checks), QUrl::fromLocalFile(QStringLiteral("/tmp/checks.png")));
        store().appendRectangle(RectangleAnnotation{.rect = c.mosaic, .effect = AnnotationEffect::mosaic, .mosaicIntensity = 5});
        model.setCropRect(c.crop);
        model.applyCrop(QSizeF(W, H));
        model.applyScale(2.0);
        ASSERT_TRUE(EditorTestSupport::resampled(model));
        const QImage flat = exported();
        // Along the cut, the three covered pixels nearest it lie in one cell: one colour.
        const bool vertical = c.cut == Qt::LeftEdge || c.cut == Qt::RightEdge;
        const bool far = c.cut == Qt::RightEdge || c.cut == Qt::BottomEdge;
        const auto at = [&](int along, int depth) {
            const int d = far ? (vertical ? flat.width() : flat.height()) - 1 - depth : depth;
            return vertical ? flat.pixel(d, along) : flat.pixel(along, d);
        };
        const QRectF onImage = store().rectangles().at(0).rect & QRectF(0, 0, 1, 1);
        const QRect covered = QTransform::fromScale(flat.width(), flat.height()).mapRect(onImage).toRect();
        int leaks = 0;
        for (int along = (vertical ? covered.top() : covered.left()) + 2;
             along < (vertical ? covered.bottom() : covered.right()) - 2; ++along)
            leaks += at(along, 0) != at(along, 1) || at(along, 1) != at(along, 2);
        EXPECT_EQ(leaks, 0);
    }
}

TEST_F(FlattenTest, SelectionIsNotPartOfThePicture)
{
    store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.3, 0.3, 0.4, 0.4), .strokeColor = red,
                                                .fillColor = red, .lineWidth = 2});
    store().selectAnnotation(store().rectangles().first().id);
    ASSERT_TRUE(store().rectangles().first().isSelected);
    const QImage canvas = canvasAtZoomOne();
    const QImage flat = exported();
    // The canvas dims the selected shape; the export shows it in full, without handles.
    EXPECT_FALSE(PixelProbe::near(PixelProbe::at(canvas, 0.5 * W, 0.5 * H), red.toQColor(), 10));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.5 * W, 0.5 * H), red.toQColor(), 0));
    EXPECT_TRUE(PixelProbe::near(PixelProbe::at(flat, 0.3 * W - 4, 0.3 * H - 4), original(0.3, 0.3) , 12));
    EXPECT_TRUE(store().rectangles().first().isSelected); // the editor's selection is left alone
}

TEST_F(FlattenTest, SnapshotOwnsItsAnnotationsAndWithoutAnyHandsOnTheEditorsPixels)
{
    const ExportSnapshot bare = controller.makeExportSnapshot(*model.selectedImage(), true);
    EXPECT_FALSE(bare.paintAnnotations);
    EXPECT_EQ(renderFlattenedImage(bare)->constBits(), model.selectedImage()->bitmap().constBits());

    store().appendArrow(ArrowAnnotation{.startPoint = {0.1, 0.5}, .endPoint = {0.9, 0.5}, .color = red,
                                        .lineWidth = 6});
    const ExportSnapshot snapshot = controller.makeExportSnapshot(*model.selectedImage(), true);
    store().clearAll();
    const std::optional<QImage> flat = renderFlattenedImage(snapshot);
    ASSERT_TRUE(flat);
    EXPECT_TRUE(PixelProbe::near(flat->pixelColor(W / 2, H / 2), red.toQColor(), 0));
}

TEST_F(FlattenTest, AnnotationsSitOnTheImageInsideTheBackdrop)
{
    model.setCurrentBackdropPadding(40);
    model.setCurrentBackdropCornerRadius(0);
    model.setCurrentBackdropShadowEnabled(false);
    model.setIsBackdropEnabled(true);
    ASSERT_TRUE(model.backdropSettings());
    store().appendRectangle(RectangleAnnotation{.rect = QRectF(0.0, 0.0, 0.25, 0.25), .strokeColor = blue,
                                                .fillColor = blue, .lineWidth = 0});
    const ExportSnapshot snapshot = controller.makeExportSnapshot(*model.selectedImage(), false);
    const std::optional<QImage> out = renderExportImage(snapshot);
    ASSERT_TRUE(out);
    const BackdropLayout layout = snapshot.backdrop->layout(W, H);
    const int inset = layout.wholePadding() + layout.shadowMargin();
    ASSERT_EQ(out->size(), layout.canvasPixelSize(W, H));
    // The annotation's corner is the image's corner, padding pixels in from the card's.
    EXPECT_TRUE(PixelProbe::near(out->pixelColor(inset + 2, inset + 2), blue.toQColor(), 0));
    EXPECT_TRUE(PixelProbe::near(out->pixelColor(inset + W / 4 + 3, inset + 3), original(0.26, 0.02), 6));
    // Without transparency the gradient fills the corners, opaque.
    EXPECT_EQ(out->pixelColor(1, 1).alpha(), 255);
    EXPECT_FALSE(PixelProbe::near(out->pixelColor(inset - 3, inset + 2), blue.toQColor(), 30));
}

// The flattened picture of one annotation on a white image of `pixels` at `ratio`.
template <typename Annotate>
std::optional<QImage> flattenedOnWhite(QSize pixels, double ratio, Annotate annotate)
{
    QImage white(pixels, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    ImageEditorViewModel model;
    model.setIsBackdropEnabled(false);
    model.setLoadedImage(Image(white, ratio), QUrl::fromLocalFile(QStringLiteral("/tmp/scaled.png")));
    annotate(*model.annotationManager());
    ImageOutputController controller(model);
    controller.setAnnotationPainterFactory(ExportAnnotationPainter::factory());
    return renderFlattenedImage(controller.makeExportSnapshot(*model.selectedImage(), true));
}

TEST(FlattenScaledImageTest, AScaledCaptureKeepsTheProportionsTheCanvasShows)
{
    // A capture of a display at ratio 2: 200 x 100 pixels, 100 x 50 points.
    const std::optional<QImage> flat = flattenedOnWhite(QSize(200, 100), 2.0, [](AnnotationManager& store) {
        store.appendLine(LineAnnotation{.startPoint = {0.1, 0.5}, .endPoint = {0.9, 0.5}, .lineWidth = 4,
                                        .color = RgbaColor{0, 0, 0, 1}});
    });
    ASSERT_TRUE(flat);
    ASSERT_EQ(flat->size(), QSize(200, 100));
    // 4 points on the canvas are 8 of the image's pixels, as the editor showed them.
    EXPECT_EQ(PixelProbe::countAlongColumn(*flat, 100, 0, 100, Qt::black, 10), 8);
    // The line runs from 10% to 90% of the width, in pixels (round caps add 4 px each end).
    EXPECT_TRUE(PixelProbe::near(flat->pixelColor(17, 50), Qt::black, 10));
    EXPECT_TRUE(PixelProbe::near(flat->pixelColor(183, 50), Qt::black, 10));
    EXPECT_TRUE(PixelProbe::near(flat->pixelColor(10, 50), Qt::white, 10));
}

// Text is sized in the image's pixels whatever the display ratio, as the canvas shows
// it: the same text on the same pixels comes out the same at ratio 1 and at ratio 2.
TEST(FlattenScaledImageTest, TextKeepsItsPixelSizeAtAnyRatio)
{
    const auto inkAt = [](double ratio) {
        const std::optional<QImage> flat = flattenedOnWhite(QSize(300, 120), ratio, [](AnnotationManager& store) {
            store.appendText(TextAnnotation{.text = QStringLiteral("Hello"), .position = {0.5, 0.5}, .fontSize = 24,
                                            .color = RgbaColor{0, 0, 0, 1}, .width = 0.8});
        });
        return flat ? PixelProbe::inkBounds(*flat, Qt::white, 60) : QRect();
    };
    const QRect one = inkAt(1.0);
    const QRect two = inkAt(2.0);
    ASSERT_FALSE(one.isEmpty());
    EXPECT_GT(one.height(), 12); // 24-pixel text, not shrunk to half
    EXPECT_NEAR(two.height(), one.height(), 1);
    EXPECT_NEAR(two.width(), one.width(), 2);
    EXPECT_NEAR(two.center().x(), one.center().x(), 1);
    EXPECT_NEAR(two.center().y(), one.center().y(), 1);
}

} // namespace
