#pragma once

#include "Models/Annotations.h"
#include "Output/ImageOutputController.h"
#include "Platform/Image.h"

#include <QList>
#include <QSizeF>

#include <functional>

class ImageEditorViewModel;
class QPainter;

// The annotations of one copy, export or pin, copied off the editor so that the
// render can run on a worker thread while the user goes on editing.
struct ExportAnnotations {
    QList<FreehandAnnotation> freehands;
    QList<LineAnnotation> lines;
    QList<ArrowAnnotation> arrows;
    QList<RectangleAnnotation> rectangles;
    QList<TextAnnotation> texts;
    QList<NumberAnnotation> numbers;
    Image image;               // the picture mosaic areas take their cells from
    QSizeF originalImageSize;  // the editor's text reference, as the canvas uses it

    bool isEmpty() const;
};

// Burns annotations into an exported bitmap with the canvas's own renderers, so an
// export shows every annotation where, and as, the canvas shows it at zoom 1: the
// bitmap is painted as the canvas paints the image's points, scaled to its pixels.
// Nothing is drawn selected, and no handles, previews or text frames appear.
namespace ExportAnnotationPainter {

// Copies of the view model's annotations for `image` (the image being exported).
ExportAnnotations capture(const ImageEditorViewModel& viewModel, const Image& image);

// Draws them onto a bitmap of `pixelSize` (the unrotated image's pixels). Safe on any
// thread: it reads only its arguments.
void paint(QPainter& painter, const QSizeF& pixelSize, const ExportAnnotations& annotations);

// A painter owning the copies; empty when there is nothing to draw, so an export
// without annotations hands on the image untouched.
std::function<void(QPainter&, const QSizeF&)> makePainter(ExportAnnotations annotations);

// What ImageOutputController needs to fill its snapshots.
ImageOutputController::AnnotationPainterFactory factory();

} // namespace ExportAnnotationPainter
