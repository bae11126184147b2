#pragma once

#include "Models/BackdropParameters.h"
#include "Platform/Image.h"

#include <QImage>
#include <QSizeF>

#include <functional>
#include <optional>

class QPainter;

// What one copy, export or pin works from, taken on the main thread so that the
// render can run elsewhere while the user keeps editing.
struct ExportSnapshot {
    Image image;   // shares the editor's pixels, read only
    double rotation = 0.0; // degrees, clockwise as the canvas shows it
    std::optional<BackdropParameters> backdrop; // absent: backdrop off
    bool backdropAlphaCapable = true; // the destination keeps transparency

    // Draws the annotations onto the unrotated bitmap, whose pixel size is given.
    // It must own copies of what it draws (it runs on a worker thread while the
    // editor goes on changing its own arrays). Empty: nothing to draw.
    std::function<void(QPainter& painter, const QSizeF& pixelSize)> paintAnnotations;
};

// The snapshot's image at its full pixel size with its annotations drawn in,
// then turned by the rotation the same way the canvas turns it (clockwise for
// positive angles). A quarter turn exchanges width and height; other angles keep
// the size and leave the uncovered corners transparent. Nothing when a bitmap
// cannot be made. Safe on any thread.
std::optional<QImage> renderFlattenedImage(const ExportSnapshot& snapshot);

// The size renderFlattenedImage gives for an image of this pixel size.
QSize flattenedPixelSize(const QSize& imagePixels, double rotation);

// The flattened image set on its backdrop when the snapshot has one; the
// flattened image alone when the backdrop cannot be drawn. Nothing when even
// the flattening fails.
std::optional<QImage> renderExportImage(const ExportSnapshot& snapshot);
