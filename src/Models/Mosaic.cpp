#include "Models/Mosaic.h"

#include "Base/PoolBands.h"
#include "Platform/Geometry.h"


#include <QColor>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Larger cell counts than this cannot be drawn anyway; the cap keeps the
// conversion to int defined for any extent.
constexpr double maximumCellCount = 1000000.0;

// A side length as a bitmap dimension: truncated; nothing when it is not a
// positive number or does not fit an int.
std::optional<int> pixelSide(double side)
{
    if (!(side > 0.0) || side >= double(std::numeric_limits<int>::max()))
        return std::nullopt;
    const int truncated = int(side);
    if (truncated < 1)
        return std::nullopt;
    return truncated;
}

// Reads pixels of any format as premultiplied ARGB; the usual 32-bit formats are
// read in place without converting the image.
class PixelReader {
public:
    explicit PixelReader(const QImage& image)
        : m_image(image)
    {
        switch (image.format()) {
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGB32:
            m_mode = Mode::direct;
            break;
        case QImage::Format_ARGB32:
            m_mode = Mode::premultiply;
            break;
        default:
            m_mode = Mode::generic;
            break;
        }
    }

    QRgb at(int x, int y) const
    {
        switch (m_mode) {
        case Mode::direct:
            return reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
        case Mode::premultiply:
            return qPremultiply(reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x]);
        case Mode::generic:
            return qPremultiply(m_image.pixelColor(x, y).rgba());
        }
        return 0;
    }

private:
    enum class Mode { direct, premultiply, generic };
    const QImage& m_image;
    Mode m_mode = Mode::generic;
};

// Which source pixel each destination column or row shows (-1: none): the one
// under the destination pixel's centre.
int sourceIndex(int destination, double drawExtent, double sourceStart, double sourceExtent, int limit)
{
    const double centre = destination + 0.5;
    if (centre >= drawExtent)
        return -1;
    const double s = std::floor(sourceStart + centre / drawExtent * sourceExtent);
    if (!(s >= 0.0) || s >= limit)
        return -1;
    return int(s);
}

// Nearest-pixel copy of `source` (in the image's pixels) onto the rectangle
// (0, 0, drawSize) of a new bitmap: each destination pixel takes the source pixel
// under its centre.
std::optional<QImage> drawNearest(const QImage& image, double pixelsWide, double pixelsHigh, const QSizeF& drawSize,
                                  const QRectF& source)
{
    const auto width = pixelSide(pixelsWide);
    const auto height = pixelSide(pixelsHigh);
    if (!width || !height)
        return std::nullopt;
    QImage bitmap(*width, *height, QImage::Format_ARGB32_Premultiplied);
    if (bitmap.isNull())
        return std::nullopt;

    const double drawWidth = drawSize.width();
    const double drawHeight = drawSize.height();
    const bool drawable = !image.isNull() && drawWidth > 0.0 && drawHeight > 0.0 && std::isfinite(drawWidth)
                          && std::isfinite(drawHeight) && Geometry::isFinite(source.topLeft())
                          && Geometry::isFinite(QPointF(source.width(), source.height()));
    if (!drawable) {
        bitmap.fill(Qt::transparent);
        return bitmap;
    }

    std::vector<int> columns(*width);
    for (int x = 0; x < *width; ++x)
        columns[x] = sourceIndex(x, drawWidth, source.x(), source.width(), image.width());

    const PixelReader reader(image);
    const qsizetype rowBytes = qsizetype(*width) * 4;
    uchar* const bits = bitmap.bits();
    const qsizetype stride = bitmap.bytesPerLine();

    auto fillRows = [&](int firstRow, int endRow) {
        int previousSourceRow = -2;
        for (int y = firstRow; y < endRow; ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
            const int sy = sourceIndex(y, drawHeight, source.y(), source.height(), image.height());
            if (sy == previousSourceRow) {
                // Enlarging repeats whole rows: copy the row above.
                std::memcpy(row, bits + (y - 1) * stride, rowBytes);
                continue;
            }
            previousSourceRow = sy;
            if (sy < 0) {
                std::memset(row, 0, rowBytes);
                continue;
            }
            for (int x = 0; x < *width; ++x)
                row[x] = columns[x] < 0 ? 0 : reader.at(columns[x], sy);
        }
    };

    // Large bitmaps are filled in bands on the thread pool: most of the time of a
    // big mosaic goes to the kernel faulting fresh pages in, which spreads over
    // cores. Each band starts its own run of repeated rows, so bands share
    // nothing but read-only inputs.
    constexpr qsizetype parallelThreshold = 1 << 20;
    const int threads = std::max(1, QThread::idealThreadCount());
    if (qsizetype(*width) * *height < parallelThreshold || threads == 1 || *height < 2 * threads) {
        fillRows(0, *height);
    } else {
        const int bandCount = std::min(threads * 2, *height);
        std::vector<std::pair<int, int>> bands;
        for (int b = 0; b < bandCount; ++b)
            bands.emplace_back(int(qint64(*height) * b / bandCount), int(qint64(*height) * (b + 1) / bandCount));
        PoolBands::run(bands.size(), [&](std::size_t i) { fillRows(bands[i].first, bands[i].second); });
    }
    return bitmap;
}

double pointScale(const QImage& image)
{
    const double ratio = image.devicePixelRatio();
    return ratio > 0.0 && std::isfinite(ratio) ? ratio : 1.0;
}

} // namespace

int mosaicCellCount(double extent, double intensity)
{
    double perImage = 110.0 - 10.0 * intensity;
    perImage = std::isnan(perImage) ? 100.0 : std::clamp(perImage, 4.0, 100.0);
    const double cells = perImage * extent;
    if (!(cells >= 1.0))
        return 1;
    return int(std::min(cells, maximumCellCount));
}

std::optional<QImage> sampleImageRegion(const QImage& image, double pixelsWide, double pixelsHigh,
                                        const QSizeF& drawSize, const QRectF& sourceRect)
{
    const double scale = pointScale(image);
    const QRectF sourcePixels(sourceRect.x() * scale, sourceRect.y() * scale, sourceRect.width() * scale,
                              sourceRect.height() * scale);
    return drawNearest(image, pixelsWide, pixelsHigh, drawSize, sourcePixels);
}

std::optional<QImage> resampleImage(const QImage& image, double pixelsWide, double pixelsHigh,
                                    const QSizeF& drawSize)
{
    return drawNearest(image, pixelsWide, pixelsHigh, drawSize, QRectF(0, 0, image.width(), image.height()));
}

std::optional<QImage> pixelatedRegion(const QImage& image, const QRectF& region, double intensity,
                                      const QSizeF& outputSize)
{
    const QRectF r = Geometry::standardized(region);
    const int columns = mosaicCellCount(r.width(), intensity);
    const int rows = mosaicCellCount(r.height(), intensity);

    const double scale = pointScale(image);
    const double imageWidth = image.width() / scale;
    const double imageHeight = image.height() / scale;
    if (!(outputSize.width() > 0.0) || !(outputSize.height() > 0.0) || !(imageWidth > 0.0) || !(imageHeight > 0.0))
        return std::nullopt;

    const QRectF source(r.x() * imageWidth, r.y() * imageHeight, r.width() * imageWidth, r.height() * imageHeight);
    const auto small = sampleImageRegion(image, columns, rows, QSizeF(columns, rows), source);
    if (!small)
        return std::nullopt;
    return resampleImage(*small, outputSize.width(), outputSize.height(), outputSize);
}
