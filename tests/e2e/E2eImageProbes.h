#pragma once

// Pixel probes the end-to-end tests use on screenshots and on the images they hand to
// Lumetra: colour predicates, counting and bounding pixels in a region, a test pattern
// whose every pixel differs from its neighbours, and finding that pattern on screen.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

namespace e2e {

// The editor window's foot: its information bar, and the floating toolbar standing
// kBottomInset above it, whose last button (export) is drawn in the accent colour.
constexpr int kInformationBar = 32;
constexpr int kBarHeight = 46;
constexpr int kBottomInset = 10;
inline bool isAccent(const QColor& c) { return c.blue() > 160 && c.green() > 100 && c.blue() > c.red() + 90; }

// Every channel within `tolerance` of the other colour's.
inline bool nearColour(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The bounding box of the pixels of `area` (clipped to the image) that pass `test`,
// and how many there are.
inline QRect pixelsWhere(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test,
                         int* count = nullptr)
{
    QRect box;
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(image.pixelColor(x, y))) {
                box |= QRect(x, y, 1, 1);
                ++n;
            }
    if (count)
        *count = n;
    return box;
}

inline int countPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test)
{
    int n = 0;
    pixelsWhere(image, area, test, &n);
    return n;
}

// The pixels whose RGB is exactly `colour`'s (alpha ignored).
inline QRect boundsOfColour(const QImage& image, const QRect& area, QRgb colour)
{
    return pixelsWhere(image, area, [colour](const QColor& c) { return (c.rgb() & 0xffffff) == (colour & 0xffffff); });
}

// An RGB32 image of `size` painted by `draw`.
inline QImage paintedImage(QSize size, const std::function<void(QPainter&, QSize)>& draw)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    draw(painter, size);
    painter.end();
    return image;
}

// Every pixel differs from its neighbours, so a crop that is off by one shows.
// patternImage repeats itself every this many pixels across and down.
inline constexpr int patternPeriod = 256;

inline QImage patternImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 5) & 0xff, ((x ^ y) * 3) & 0xff));
    return image;
}

// Pixels only: a PNG read back may carry a colour space or resolution that QImage's
// == would count as a difference.
inline ::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected)
{
    if (actual.isNull())
        return ::testing::AssertionFailure() << "no image";
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << ", expected "
                                             << expected.width() << "x" << expected.height();
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage b = expected.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff))
                return ::testing::AssertionFailure()
                    << "pixel (" << x << ", " << y << ") is " << std::hex << a.pixel(x, y) << ", expected " << b.pixel(x, y);
    return ::testing::AssertionSuccess();
}

// Where needle's top-left pixel is in haystack, pixel for pixel (the first place in
// reading order).
inline std::optional<QPoint> locate(const QImage& haystack, const QImage& needle)
{
    const QImage screen = haystack.convertToFormat(QImage::Format_RGB32);
    const QImage wanted = needle.convertToFormat(QImage::Format_RGB32);
    if (screen.isNull() || wanted.isNull())
        return std::nullopt;
    // A few scattered pixels rule out almost every place before the full comparison.
    const QPoint probes[] = {QPoint(1, 1), QPoint(wanted.width() / 3, 3), QPoint(5, wanted.height() / 2),
                             QPoint(wanted.width() - 1, wanted.height() - 1)};
    const QRect inside = wanted.rect();
    for (int y = 0; y + wanted.height() <= screen.height(); ++y)
        for (int x = 0; x + wanted.width() <= screen.width(); ++x) {
            bool match = true;
            for (const QPoint& p : probes)
                match = match && (!inside.contains(p)
                                  || (screen.pixel(x + p.x(), y + p.y()) & 0xffffff) == (wanted.pixel(p) & 0xffffff));
            if (match && samePixels(screen.copy(QRect(QPoint(x, y), wanted.size())), wanted))
                return QPoint(x, y);
        }
    return std::nullopt;
}

} // namespace e2e
