#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <optional>

// Mosaic pixelation: sample a region of the image into a tiny bitmap of one pixel
// per cell, then scale that back up. Both steps take each destination pixel from
// exactly one source pixel and copy it (no interpolation, no blending), so every
// cell is one flat colour with hard edges. The canvas and the exporter both draw
// mosaic regions from sampleImageRegion's one-pixel-per-cell bitmap, scaled up as it
// is painted; pixelatedRegion makes the whole scaled picture at once.

// Cells along one side of a region `extent` (a fraction of the image side) wide:
// the whole image side holds 110 - 10 x intensity cells, clamped to 4...100 (100
// for an intensity that is not a number); truncated, at least 1.
int mosaicCellCount(double extent, double intensity);

// A new premultiplied ARGB bitmap of pixelsWide x pixelsHigh (each truncated) into
// whose rectangle (0, 0, drawSize) the source rectangle of the image is drawn.
// The source rectangle is in the image's points (pixels / devicePixelRatio),
// origin top left; parts of it outside the image stay transparent. Nothing when a
// pixel side is not a positive number or the bitmap cannot be made.
std::optional<QImage> sampleImageRegion(const QImage& image, double pixelsWide, double pixelsHigh,
                                        const QSizeF& drawSize, const QRectF& sourceRect);

// The same, drawing the whole image.
std::optional<QImage> resampleImage(const QImage& image, double pixelsWide, double pixelsHigh,
                                    const QSizeF& drawSize);

// The pixelated picture of a region (normalised to the image, origin top left) at
// an output size in drawing units, to be drawn over the region. Nothing when the
// output size or the image's size is empty.
std::optional<QImage> pixelatedRegion(const QImage& image, const QRectF& region, double intensity,
                                      const QSizeF& outputSize);
