#include "Models/TextMeasurement.h"

#include <QCache>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

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

namespace {

// The width an annotation's text wraps at in a box `boxWidth` wide at `fontSize`. A
// free-width text shows its lines as they were typed, and its box holds them at the
// image's own scale. Fonts are drawn at whole pixel sizes, though, so at another scale
// a line can come out a little wider than its box and would wrap there alone: such a
// text is not wrapped at any scale, and the canvas at every zoom and the export show
// the same lines. A fixed-width text, and a free-width one its box wraps at the
// image's scale (narrowed by a side handle), wrap at the box.
double wrapWidthFor(const TextAnnotation& annotation, double fontSize, double boxWidth)
{
    constexpr double noWrap = std::numeric_limits<double>::infinity();
    if (annotation.isFixedWidth || !(fontSize > 0.0) || !(annotation.fontSize > 0.0) || !std::isfinite(fontSize)
        || !std::isfinite(annotation.fontSize) || !(boxWidth > 0.0) || !std::isfinite(boxWidth))
        return boxWidth;
    const double ownBoxWidth = boxWidth * annotation.fontSize / fontSize;
    const double unwrapped = measureTextHeight(annotation.text, annotation.fontName, annotation.fontSize, noWrap);
    if (measureTextHeight(annotation.text, annotation.fontName, annotation.fontSize, ownBoxWidth) > unwrapped)
        return boxWidth;
    return noWrap;
}

} // namespace

TextLayout layoutText(const TextAnnotation& annotation, double fontSize, double boxWidth)
{
    return TextLayout(annotation.text, TextLayout::resolveFont(annotation.fontName, fontSize),
                      wrapWidthFor(annotation, fontSize, boxWidth));
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
    return measureTextHeight(annotation.text, annotation.fontName, fontSize, wrapWidthFor(annotation, fontSize, boxWidth));
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
