#include "PixelProbe.h"
#include "Models/Mosaic.h"
#include "Models/Palette.h"
#include "Views/AreaRenderers.h"
#include "Views/MosaicImageCache.h"

#include <gtest/gtest.h>

#include <cmath>

using PixelProbe::at;
using PixelProbe::near;

namespace {

// Every pixel a different colour, so a pixelated cell is easy to tell from the original.
QImage noise(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * 13 + y * 7) % 256));
    return image;
}

const QRectF kArea(0.25, 0.25, 0.5, 0.5);

} // namespace

TEST(MosaicImageCache, aHitIsTheSameCellsHeldWithoutTheImageAndChangedInputsRecompute)
{
    MosaicImageCache cache;
    const Image image(noise(400, 300));
    ASSERT_TRUE(image.bitmap().isDetached());

    const auto first = cache.mosaicImage(image, kArea, 200, 150, 5);
    ASSERT_TRUE(first);
    EXPECT_EQ(cache.samplingCount(), 1);
    // One pixel per cell, however large the area is on screen.
    EXPECT_EQ(first->size(), QSize(mosaicCellCount(kArea.width(), 5), mosaicCellCount(kArea.height(), 5)));
    // The entry must not share the full-size buffer, or a crop or a new load would leave the
    // old image alive in the cache; once `image` goes, its pixels are freed.
    EXPECT_TRUE(image.bitmap().isDetached());

    const auto second = cache.mosaicImage(image, kArea, 200, 150, 5);
    ASSERT_TRUE(second);
    EXPECT_EQ(cache.samplingCount(), 1) << "a hit does no image work";
    EXPECT_EQ(second->cacheKey(), first->cacheKey()) << "the very same cell image";
    EXPECT_TRUE(image.bitmap().isDetached());

    // A copy of the image object shares its pixels and is the same image.
    const Image shared = image;
    cache.mosaicImage(shared, kArea, 200, 150, 5);
    EXPECT_EQ(cache.samplingCount(), 1);

    // The same pixels in another image object (a reloaded or edited image).
    const Image reloaded(image.bitmap().copy());
    cache.mosaicImage(reloaded, kArea, 200, 150, 5);
    EXPECT_EQ(cache.samplingCount(), 2);
    // The first image's entry is still there.
    cache.mosaicImage(image, kArea, 200, 150, 5);
    EXPECT_EQ(cache.samplingCount(), 2);

    cache.mosaicImage(image, kArea, 200, 150, 6);
    EXPECT_EQ(cache.samplingCount(), 3) << "intensity";
    cache.mosaicImage(image, kArea.translated(0.01, 0), 200, 150, 6);
    EXPECT_EQ(cache.samplingCount(), 4) << "moved";
    cache.mosaicImage(image, QRectF(0.25, 0.25, 0.5, std::nextafter(0.5, 1.0)), 200, 150, 6);
    EXPECT_EQ(cache.samplingCount(), 5) << "a height one bit larger";
}

TEST(MosaicImageCache, zoomingIsAHitAndNeverEnlargesTheCachedImage)
{
    MosaicImageCache cache;
    const Image image(noise(4000, 3000));
    const QRectF whole(0, 0, 1, 1);

    const auto atFit = cache.mosaicImage(image, whole, 800, 600, 1);
    // At zoom 16 the area is 64000 x 48000 points on screen; the cells stay tiny.
    const auto atSixteen = cache.mosaicImage(image, whole, 64000, 48000, 1);
    ASSERT_TRUE(atFit && atSixteen);
    EXPECT_EQ(cache.samplingCount(), 1);
    EXPECT_LE(atSixteen->width() * atSixteen->height(), 100 * 100);

    // Painting a part of that huge area scales the cells on the fly.
    QImage target = PixelProbe::blank(300, 200);
    QPainter painter(&target);
    paintMosaicCells(painter, *atSixteen, QRectF(-1000, -1000, 64000, 48000));
    painter.end();
    EXPECT_FALSE(near(at(target, 150, 100), Qt::white));
}

TEST(MosaicImageCache, emptyInputsGiveNothingAndStoreNothing)
{
    MosaicImageCache cache;
    const Image image(noise(40, 30));
    EXPECT_FALSE(cache.mosaicImage(image, kArea, 0, 150, 5));
    EXPECT_FALSE(cache.mosaicImage(image, kArea, 200, -1, 5));
    EXPECT_FALSE(cache.mosaicImage(image, QRectF(0.2, 0.2, 0, 0.5), 200, 150, 5));
    EXPECT_FALSE(cache.mosaicImage(Image(), kArea, 200, 150, 5));
    EXPECT_FALSE(cache.mosaicImage(image, kArea, std::nan(""), 150, 5));
    EXPECT_EQ(cache.count(), 0);
    EXPECT_EQ(cache.samplingCount(), 0);
}

TEST(MosaicImageCache, holdsAtMostItsCountLimit)
{
    MosaicImageCache cache;
    const Image image(noise(100, 100));
    for (int i = 0; i <= MosaicImageCache::defaultCountLimit; ++i)
        cache.mosaicImage(image, QRectF(0.01 * i, 0, 0.5, 0.5), 50, 50, 5);
    EXPECT_EQ(cache.count(), MosaicImageCache::defaultCountLimit);
    const int made = cache.samplingCount();
    // The oldest entry made room and is made again on request.
    cache.mosaicImage(image, QRectF(0, 0, 0.5, 0.5), 50, 50, 5);
    EXPECT_EQ(cache.samplingCount(), made + 1);
}

TEST(MosaicRendering, cellsAreUniformBlocksWithHardEdges)
{
    // A 400 x 400 image shown at its own size; intensity 10 gives few, large cells.
    const QImage source = noise(400, 400);
    const Image image(source);
    const QRectF area(0.25, 0.25, 0.5, 0.5);
    const double intensity = 10;
    const int cols = mosaicCellCount(area.width(), intensity);
    const int rows = mosaicCellCount(area.height(), intensity);
    ASSERT_GT(cols, 1);
    ASSERT_GT(rows, 1);

    QImage target = source.copy();
    MosaicImageCache cache;
    {
        QPainter painter(&target);
        const RectangleAnnotation mosaic{.rect = area, .shapeType = ShapeType::circle, .strokeColor = paletteRed,
                                         .lineWidth = 4, .effect = AnnotationEffect::mosaic,
                                         .mosaicIntensity = intensity};
        AnnotationRenderers::paintRectangle(painter, mosaic, QSizeF(400, 400), {image, &cache});
    }

    const double cellW = 200.0 / cols;
    const double cellH = 200.0 / rows;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < cols; ++i) {
            const int x0 = int(std::ceil(100 + i * cellW)), x1 = int(std::floor(100 + (i + 1) * cellW)) - 1;
            const int y0 = int(std::ceil(100 + j * cellH)), y1 = int(std::floor(100 + (j + 1) * cellH)) - 1;
            const QRgb cell = target.pixel(x0, y0);
            // Flat: every pixel of the block, its corners and edges included, is the cell colour.
            for (int y = y0; y <= y1; y += 3)
                for (int x = x0; x <= x1; x += 3)
                    ASSERT_EQ(target.pixel(x, y), cell) << "cell " << i << "," << j << " at " << x << "," << y;
            ASSERT_EQ(target.pixel(x1, y1), cell);
            // Sampled from the image under the cell.
            bool found = false;
            for (int y = y0; y <= y1 && !found; ++y)
                for (int x = x0; x <= x1 && !found; ++x)
                    found = source.pixel(x, y) == cell;
            EXPECT_TRUE(found) << "cell " << i << "," << j;
            // Hard edge: the next pixel across is already the neighbour's colour.
            if (i + 1 < cols)
                EXPECT_EQ(target.pixel(x1 + 1, y0), target.pixel(int(std::ceil(100 + (i + 1) * cellW)), y0));
        }
    }
    // A circle-shaped mosaic is pixelated over its whole bounding rectangle, with no outline.
    EXPECT_EQ(target.pixel(101, 101), target.pixel(102, 102));
    EXPECT_NE(target.pixel(101, 101), source.pixel(101, 101));
    // Outside the area the image is untouched.
    EXPECT_EQ(target.pixel(99, 99), source.pixel(99, 99));
    EXPECT_EQ(target.pixel(300, 300), source.pixel(300, 300));
}

TEST(MosaicRendering, withoutAnImageTheAreaIsDrawnAsItsOutline)
{
    QImage target = PixelProbe::blank(200, 200);
    {
        QPainter painter(&target);
        const RectangleAnnotation mosaic{.rect = QRectF(0.25, 0.25, 0.5, 0.5), .strokeColor = paletteRed,
                                         .fillColor = paletteBlue, .lineWidth = 4,
                                         .effect = AnnotationEffect::mosaic, .mosaicIntensity = 5};
        AnnotationRenderers::paintRectangle(painter, mosaic, QSizeF(200, 200), {});
    }
    EXPECT_TRUE(near(at(target, 50, 100), QColor(255, 0, 0)));
    EXPECT_TRUE(near(at(target, 100, 100), QColor(0, 0, 255)));
}
