#include "Views/ExportAnnotationPainter.h"

#include "Models/AnnotationManager.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/AnnotationOverlay.h"

#include <QPainter>

#include <cmath>

namespace {

template <typename T> QList<T> unselected(QList<T> list)
{
    // A selection is the editor's state, not part of the picture: the canvas dims a
    // selected annotation, the exported one is drawn in full.
    for (T& item : list)
        item.isSelected = false;
    return list;
}

bool positive(double v) { return std::isfinite(v) && v > 0.0; }

} // namespace

bool ExportAnnotations::isEmpty() const
{
    return freehands.isEmpty() && lines.isEmpty() && arrows.isEmpty() && rectangles.isEmpty() && texts.isEmpty()
        && numbers.isEmpty();
}

namespace ExportAnnotationPainter {

ExportAnnotations capture(const ImageEditorViewModel& viewModel, const Image& image)
{
    ExportAnnotations copies;
    if (const AnnotationManager* store = viewModel.annotationManager()) {
        copies.freehands = unselected(store->freehands());
        copies.lines = unselected(store->lines());
        copies.arrows = unselected(store->arrows());
        copies.rectangles = unselected(store->rectangles());
        copies.texts = unselected(store->texts());
        copies.numbers = unselected(store->numbers());
    }
    copies.image = image;
    copies.originalImageSize = viewModel.originalImageSize();
    return copies;
}

void paint(QPainter& painter, const QSizeF& pixelSize, const ExportAnnotations& annotations)
{
    if (!positive(pixelSize.width()) || !positive(pixelSize.height()) || annotations.isEmpty())
        return;

    // The canvas lays annotations out on the image's size in points (widths, markers
    // and text in points); the bitmap has the image's pixels. Painting the points
    // space scaled up to the pixels makes a capture from a scaled display look the
    // same exported as it does in the editor. For a file (ratio 1) the scale is 1.
    QSizeF points = pixelSize;
    if (!annotations.image.isNull() && positive(annotations.image.size().width())
        && positive(annotations.image.size().height()))
        points = annotations.image.size();

    // The overlay reads a store; this one lives on the painting thread only.
    AnnotationManager store;
    store.setFreehands(annotations.freehands);
    store.setLines(annotations.lines);
    store.setArrows(annotations.arrows);
    store.setRectangles(annotations.rectangles);
    store.setTexts(annotations.texts);
    store.setNumbers(annotations.numbers);

    AnnotationOverlay overlay;
    overlay.annotations = &store;
    overlay.size = points;
    overlay.originalImageSize = annotations.originalImageSize;
    // No cache: each export samples its cells afresh from the full-resolution image.
    if (!annotations.image.isNull())
        overlay.mosaic = AnnotationRenderers::MosaicSource{annotations.image, nullptr};

    painter.save();
    painter.scale(pixelSize.width() / points.width(), pixelSize.height() / points.height());
    overlay.paint(painter);
    painter.restore();
}

std::function<void(QPainter&, const QSizeF&)> makePainter(ExportAnnotations annotations)
{
    if (annotations.isEmpty())
        return {};
    return [annotations = std::move(annotations)](QPainter& painter, const QSizeF& pixelSize) {
        paint(painter, pixelSize, annotations);
    };
}

ImageOutputController::AnnotationPainterFactory factory()
{
    return [](const ImageEditorViewModel& viewModel, const Image& image) {
        return makePainter(capture(viewModel, image));
    };
}

} // namespace ExportAnnotationPainter
