#pragma once

#include "Platform/Image.h"

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

// The on-screen pixelation of mosaic areas. The canvas redraws on every pointer move,
// so the pixelated copy of an area goes through this small cache.
//
// The cache holds the cell image only: one pixel per mosaic cell (a few hundred
// pixels at most), which paintMosaicCells scales up to the area on screen without
// interpolation, so every cell becomes a flat block with hard edges. Scaling at paint
// time, rather than caching the enlarged picture, keeps a full-image mosaic at zoom
// 16 from holding a bitmap of gigabytes, and makes a zoom change a cache hit: the
// cells depend on the area and the intensity, not on the display size.
class MosaicImageCache {
public:
    static constexpr int defaultCountLimit = 12;

    // The process-wide cache the canvas uses.
    static MosaicImageCache& shared();

    explicit MosaicImageCache(int countLimit = defaultCountLimit);
    MosaicImageCache(const MosaicImageCache&) = delete;
    MosaicImageCache& operator=(const MosaicImageCache&) = delete;

    // The cell image of a mosaic area: `rect` is the area normalised to the image
    // (origin top left), displayWidth x displayHeight its size on screen, `intensity`
    // the annotation's mosaicIntensity. A hit needs the very same image (the same
    // pixel buffer, not equal pixels) and costs a key and a lookup, no image work.
    // Nothing, and nothing stored, when the area or the display size is empty, the
    // image has no size or the cells cannot be sampled.
    std::optional<QImage> mosaicImage(const Image& image, const QRectF& rect, double displayWidth,
                                      double displayHeight, double intensity);

    // The key of an area: image identity (QImage::cacheKey, unique to one pixel buffer
    // and changed by any edit of it), the rectangle and the intensity, each number
    // printed with 17 significant digits so different values never collide.
    static QString mosaicCacheKey(const Image& image, const QRectF& rect, double intensity);

    // The cell image made afresh, without the cache (the exporter's road).
    static std::optional<QImage> makeCells(const Image& image, const QRectF& rect, double displayWidth,
                                           double displayHeight, double intensity);

    // How many cell images this cache has made (each is one sampling of the image).
    int samplingCount() const;
    int count() const;

private:
    // Keyed by the image's cache key, never by a copy of the image: an entry must not
    // keep a full-size image alive after a crop or a new load replaced it.
    mutable QMutex m_mutex;
    QCache<QString, QImage> m_cache;
    int m_samplings = 0;
};

// Draws a cell image over `displayRect` with every cell a sharp-edged block.
void paintMosaicCells(QPainter& painter, const QImage& cells, const QRectF& displayRect);
