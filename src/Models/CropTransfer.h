#pragma once

#include <QRectF>
#include <QSizeF>

class AnnotationManager;

// Carrying the annotations of an image into a part of it (a crop). Annotations are
// normalised to the image they are drawn on, so each is re-expressed in the cropped
// image: shifted by the crop's origin and stretched by the ratio of the sizes, in the
// image's pixels. What lies wholly outside the crop (strokes and marker outlines
// counted) is dropped; what overlaps its edge is kept whole, to be clipped when drawn.
struct CropTransfer {
    QSizeF imagePixels; // the image before the crop
    QRectF crop;        // the part kept, in those pixels
    // Text is drawn at fontSize x drawn width / reference width. Before the crop the
    // reference was this width; afterwards it is the cropped image's own width.
    double referenceWidth = 0.0;

    // Rewrites the store's six lists in place (one change each).
    void apply(AnnotationManager& store) const;

    // A mosaic pixelates in cells of a fixed share of the image's side: the intensity
    // that keeps its cells at least as large, in pixels, in the cropped image, so a
    // redaction never becomes finer (easier to read) by being cropped.
    double mosaicIntensityAfterCrop(double intensity) const;
};
