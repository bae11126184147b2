#include "Views/MosaicImageCache.h"

#include "Models/Mosaic.h"

#include <QMutexLocker>
#include <QPainter>

#include <cmath>

namespace {

QString number17(double value) { return QString::asprintf("%.17g", value); }

bool positive(double v) { return std::isfinite(v) && v > 0.0; }

} // namespace

MosaicImageCache& MosaicImageCache::shared()
{
    static MosaicImageCache instance;
    return instance;
}

MosaicImageCache::MosaicImageCache(int countLimit)
    : m_cache(countLimit)
{
}

QString MosaicImageCache::mosaicCacheKey(const Image& image, const QRectF& rect, double intensity)
{
    return QString::number(image.bitmap().cacheKey(), 16) + QLatin1Char('|') + number17(rect.x()) +
           QLatin1Char('|') + number17(rect.y()) + QLatin1Char('|') + number17(rect.width()) + QLatin1Char('|') +
           number17(rect.height()) + QLatin1Char('|') + number17(intensity);
}

std::optional<QImage> MosaicImageCache::makeCells(const Image& image, const QRectF& rect, double displayWidth,
                                                  double displayHeight, double intensity)
{
    if (!positive(displayWidth) || !positive(displayHeight) || image.isNull())
        return std::nullopt;
    const QSizeF points = image.size();
    if (!positive(points.width()) || !positive(points.height()))
        return std::nullopt;
    if (!positive(rect.width()) || !positive(rect.height()))
        return std::nullopt;
    const int cols = mosaicCellCount(rect.width(), intensity);
    const int rows = mosaicCellCount(rect.height(), intensity);
    if (cols <= 0 || rows <= 0)
        return std::nullopt;
    const QRectF source(rect.x() * points.width(), rect.y() * points.height(), rect.width() * points.width(),
                        rect.height() * points.height());
    return sampleImageRegion(image.bitmap(), cols, rows, QSizeF(cols, rows), source);
}

std::optional<QImage> MosaicImageCache::mosaicImage(const Image& image, const QRectF& rect, double displayWidth,
                                                    double displayHeight, double intensity)
{
    if (!positive(displayWidth) || !positive(displayHeight) || image.isNull())
        return std::nullopt;
    const QString key = mosaicCacheKey(image, rect, intensity);
    {
        QMutexLocker lock(&m_mutex);
        if (const QImage* cells = m_cache.object(key))
            return *cells;
    }
    std::optional<QImage> cells = makeCells(image, rect, displayWidth, displayHeight, intensity);
    if (!cells)
        return std::nullopt;
    QMutexLocker lock(&m_mutex);
    ++m_samplings;
    m_cache.insert(key, new QImage(*cells));
    return cells;
}

int MosaicImageCache::samplingCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_samplings;
}

int MosaicImageCache::count() const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_cache.count());
}

void paintMosaicCells(QPainter& painter, const QImage& cells, const QRectF& displayRect)
{
    if (cells.isNull() || displayRect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(displayRect, cells, QRectF(0, 0, cells.width(), cells.height()));
    painter.restore();
}
