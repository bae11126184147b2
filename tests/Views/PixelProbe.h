#pragma once

// Helpers for checking paint functions by reading back pixels of a QImage.
#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace PixelProbe {

inline QImage blank(int width, int height, QColor fill = Qt::white)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// What `paint` draws on a white image of `size`.
template <typename Paint> QImage paintOnWhite(QSizeF size, Paint&& paint)
{
    QImage image = blank(qRound(size.width()), qRound(size.height()));
    QPainter painter(&image);
    paint(painter);
    return image;
}

inline QColor at(const QImage& image, int x, int y) { return image.pixelColor(x, y); }
inline QColor at(const QImage& image, QPointF p)
{
    return image.pixelColor(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

inline std::string describe(const QColor& c)
{
    return "rgba(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + "," + std::to_string(c.alpha()) + ")";
}

// Every channel within `tolerance` (0..255) of the expected one.
inline ::testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    const bool ok = std::abs(actual.red() - expected.red()) <= tolerance &&
                    std::abs(actual.green() - expected.green()) <= tolerance &&
                    std::abs(actual.blue() - expected.blue()) <= tolerance &&
                    std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (ok)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << describe(actual) << " is not " << describe(expected);
}

// How two images of one size differ: the largest channel difference over all pixels,
// and how many pixels (the first of them) differ by more than `ignoreBelow`.
struct Difference {
    int worst = 0;
    int pixels = 0;
    QPoint first { -1, -1 };
};

inline Difference difference(const QImage& a, const QImage& b, int ignoreBelow = 0)
{
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int m = std::max({ std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                     std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q)) });
            d.worst = std::max(d.worst, m);
            if (m > ignoreBelow && d.pixels++ == 0)
                d.first = QPoint(x, y);
        }
    return d;
}

// Counts the pixels along a horizontal run [x0, x1) of row y that match a colour.
inline int countAlongRow(const QImage& image, int y, int x0, int x1, const QColor& color, int tolerance = 3)
{
    int n = 0;
    for (int x = x0; x < x1; ++x)
        if (near(image.pixelColor(x, y), color, tolerance))
            ++n;
    return n;
}

inline int countAlongColumn(const QImage& image, int x, int y0, int y1, const QColor& color, int tolerance = 3)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        if (near(image.pixelColor(x, y), color, tolerance))
            ++n;
    return n;
}

// The bounding box of every pixel that differs from `background` by more than `tolerance`.
inline QRect inkBounds(const QImage& image, const QColor& background, int tolerance = 8)
{
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!near(image.pixelColor(x, y), background, tolerance)) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    if (x1 < 0)
        return {};
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

} // namespace PixelProbe
