// The canvas's backdrop preview is the saved file scaled: for several backdrops, at
// zoom 0.5, 1 and 2 and at every quarter turn, the canvas around the image equals the
// exported image (laid over the canvas colour) scaled by the zoom, up to the
// differences that scaling itself makes at edges; a tint and an arrow past the edges included.
#include "Core/AppThemeColors.h"
#include "Core/Settings.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/AnnotationManager.h"
#include "Output/ExportSnapshot.h"
#include "Views/EditorCanvasView.h"
#include "Views/ExportAnnotationPainter.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Left half red, right half green: a wrong turn shows.
Image twoHalves(int w, int h, qreal ratio)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(200, 40, 40));
    QPainter(&image).fillRect(QRect(w / 2, 0, w - w / 2, h), QColor(40, 170, 60));
    return Image(image, ratio);
}

// The share of pixels that differ by more than 24 in a channel from every pixel of the
// expected one's 3 x 3 neighbourhood (resampling may move an edge by a pixel, no more),
// and the mean of those smallest differences.
int distance(QRgb p, QRgb q)
{
    return std::max({ std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q)) });
}

std::pair<double, double> difference(const QImage& shown, const QImage& expected)
{
    qint64 sum = 0, large = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = reinterpret_cast<const QRgb*>(shown.constScanLine(y))[x];
            int best = distance(p, reinterpret_cast<const QRgb*>(expected.constScanLine(y))[x]);
            for (int dy = -1; dy <= 1 && best > 2; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (expected.rect().contains(x + dx, y + dy))
                        best = std::min(best, distance(p, reinterpret_cast<const QRgb*>(expected.constScanLine(y + dy))[x + dx]));
            sum += best;
            large += best > 24 ? 1 : 0;
        }
    const double n = double(shown.width()) * shown.height();
    return { large / n, sum / n };
}

} // namespace

TEST(BackdropPreview, CanvasShowsTheExportedBackdropScaledAtEveryZoomAndTurn)
{
    const BackdropParameters backdrops[] = {
        { BackdropPreset::ocean, 32, 12, true, 0.5 },
        { BackdropPreset::sunset, 20, 0, false, 0.5 },
        { BackdropPreset::black, 0, 30, true, 1.0 },
    };
    ImageEditorViewModel model;
    EditorCanvasView canvas(&model);
    canvas.resize(800, 640);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    const QColor background = canvasBackgroundColor(canvas.palette());
    Settings::rememberToolStyles.write(false); // no stored styles written on every case
    model.setIsBackdropEnabled(true);

    // At a pixel ratio of 2 the image is 80 x 50 points: the preview still works in pixels.
    for (const qreal ratio : { 1.0, 2.0 })
        for (const BackdropParameters& b : backdrops)
            for (const double zoom : { 0.5, 1.0, 2.0 })
                for (const double rotation : { 0.0, 90.0, 180.0, 270.0 }) {
                    SCOPED_TRACE(testing::Message() << b.preset.rawValue().toStdString() << " ratio " << ratio
                                                    << " zoom " << zoom << " turn " << rotation);
                    const Image image = twoHalves(160, 100, ratio);
                    model.setLoadedImage(image, QUrl::fromLocalFile("/tmp/preview.png"));
                    model.annotationManager()->appendRectangle(RectangleAnnotation{
                        .rect = QRectF(-0.1, -0.1, 1.2, 0.6), .fillColor = RgbaColor{0, 0, 1, 0.6}, .lineWidth = 0});
                    model.annotationManager()->appendArrow(ArrowAnnotation{.startPoint = {0.7, 0.8}, .endPoint = {1.4, 0.8}, .color = RgbaColor{1, 1, 0, 1}, .lineWidth = 1});
                    model.setCurrentBackdropPreset(b.preset);
                    model.setCurrentBackdropPadding(b.padding);
                    model.setCurrentBackdropCornerRadius(b.cornerRadius);
                    model.setCurrentBackdropShadowEnabled(b.shadowEnabled);
                    model.setCurrentBackdropShadowIntensity(b.shadowIntensity);
                    model.setRotation(rotation);
                    // The zoom in pixels: points are pixels / ratio.
                    model.setZoomLevel(zoom * ratio);

                    QImage shown(canvas.size(), QImage::Format_RGB32);
                    QPainter painter(&shown);
                    canvas.paintCanvas(painter);

                    const std::optional<QImage> exported =
                        renderExportImage(ExportSnapshot { image, rotation, model.backdropSettings(), true,
                                                           ExportAnnotationPainter::makePainter(
                                                               ExportAnnotationPainter::capture(model, image)) });
                    ASSERT_TRUE(exported.has_value());
                    QImage expected(exported->size(), QImage::Format_RGB32);
                    expected.fill(background);
                    QPainter(&expected).drawImage(0, 0, *exported);
                    const QSize scaledSize(qRound(expected.width() * zoom), qRound(expected.height() * zoom));
                    expected = expected.scaled(scaledSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

                    // The export is centred on the image, as the canvas centres the image.
                    const QPoint origin(qRound(canvas.width() / 2.0 - scaledSize.width() / 2.0),
                                        qRound(canvas.height() / 2.0 - scaledSize.height() / 2.0));
                    const auto [largeShare, mean] = difference(shown.copy(QRect(origin, scaledSize)), expected);
                    EXPECT_LT(largeShare, 0.01);
                    EXPECT_LT(mean, 1.0);
                }
    Settings::rememberToolStyles.write(true);
}
