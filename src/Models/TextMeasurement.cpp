#include "Models/TextMeasurement.h"

#include <QCache>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace {

// Everything that changes a measured height. Sizes and widths are compared by
// their bits, so two values that differ as doubles never share an entry.
struct HeightKey {
    QString text;
    QString fontName;
    std::uint64_t fontSizeBits = 0;
    std::uint64_t boxWidthBits = 0;

    friend bool operator==(const HeightKey& a, const HeightKey& b)
    {
        return a.fontSizeBits == b.fontSizeBits && a.boxWidthBits == b.boxWidthBits && a.text == b.text
               && a.fontName == b.fontName;
    }
};

size_t qHash(const HeightKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.fontName, key.fontSizeBits, key.boxWidthBits);
}

constexpr int heightCacheLimit = 64;

struct HeightCache {
    QMutex mutex;
    QCache<HeightKey, double> entries{heightCacheLimit};
};

HeightCache& heightCache()
{
    static HeightCache cache;
    return cache;
}

} // namespace

TextAttributes textAttributes(const TextAnnotation& annotation, double fontSize)
{
    TextAttributes attributes;
    attributes.font = TextLayout::resolveFont(annotation.fontName, fontSize);
    attributes.color = annotation.color;
    attributes.lineHeight = TextLayout::lineHeight(attributes.font);
    return attributes;
}

TextLayout layoutText(const TextAnnotation& annotation, double fontSize, double boxWidth)
{
    return TextLayout(annotation.text, TextLayout::resolveFont(annotation.fontName, fontSize), boxWidth);
}

double measureTextHeight(const QString& text, const QString& fontName, double fontSize, double boxWidth)
{
    HeightKey key{text, fontName, std::bit_cast<std::uint64_t>(fontSize), std::bit_cast<std::uint64_t>(boxWidth)};
    HeightCache& cache = heightCache();
    {
        QMutexLocker lock(&cache.mutex);
        if (const double* known = cache.entries.object(key))
            return *known;
    }

    double height = 0.0;
    if (std::isfinite(fontSize) && fontSize > 0.0)
        height = TextLayout(text, TextLayout::resolveFont(fontName, fontSize), boxWidth).height();

    QMutexLocker lock(&cache.mutex);
    cache.entries.insert(std::move(key), new double(height), 1);
    return height;
}

double measureTextHeight(const TextAnnotation& annotation, double fontSize, double boxWidth)
{
    return measureTextHeight(annotation.text, annotation.fontName, fontSize, boxWidth);
}

QRectF textBoxRect(const TextAnnotation& annotation, double width, double height, double referenceWidth)
{
    const double scale = referenceWidth > 0.0 ? width / referenceWidth : 1.0;
    const double boxWidth = annotation.width * width;
    const double textHeight = measureTextHeight(annotation, annotation.fontSize * scale, boxWidth);
    const QSizeF size(boxWidth + 2.0, textHeight + 4.0);
    return QRectF(annotation.position.x() * width - size.width() / 2.0,
                  annotation.position.y() * height - size.height() / 2.0, size.width(), size.height());
}

QPointF textPositionInside(const TextAnnotation& annotation, double width, double height, double referenceWidth)
{
    if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height))
        return annotation.position;
    const QPointF shift = shiftOnto(textBoxRect(annotation, width, height, referenceWidth), QSizeF(width, height));
    if (!std::isfinite(shift.x()) || !std::isfinite(shift.y()))
        return annotation.position;
    return annotation.position + QPointF(shift.x() / width, shift.y() / height);
}

int textHeightCacheCount()
{
    HeightCache& cache = heightCache();
    QMutexLocker lock(&cache.mutex);
    return int(cache.entries.count());
}

void clearTextHeightCache()
{
    HeightCache& cache = heightCache();
    QMutexLocker lock(&cache.mutex);
    cache.entries.clear();
}
