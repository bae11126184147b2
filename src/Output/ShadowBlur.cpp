#include "Output/ShadowBlur.h"

#include <algorithm>
#include <cmath>

namespace {

// One box pass over `values` in place: each value becomes the mean of the
// 2r+1 values around it, with values beyond either end taken as 0. Only the
// results at least r away from both ends are exact; callers pad by the reach.
void boxPass(std::vector<float>& values, std::vector<float>& scratch, int radius)
{
    if (radius <= 0)
        return;
    const int n = static_cast<int>(values.size());
    scratch.assign(values.begin(), values.end());
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    double sum = 0.0;
    for (int i = 0; i <= std::min(radius, n - 1); ++i)
        sum += scratch[i];
    for (int i = 0; i < n; ++i) {
        values[i] = static_cast<float>(sum) * scale;
        const int enter = i + radius + 1;
        const int leave = i - radius;
        if (enter < n)
            sum += scratch[enter];
        if (leave >= 0)
            sum -= scratch[leave];
    }
}

void blurLine(std::vector<float>& line, std::vector<float>& scratch, const std::array<int, 3>& radii)
{
    for (int radius : radii)
        boxPass(line, scratch, radius);
}

} // namespace

std::array<int, 3> ShadowBlur::boxRadii(double sigma)
{
    if (!(sigma > 0.0) || !std::isfinite(sigma))
        return {0, 0, 0};
    // Widths of three boxes whose combined variance is sigma^2 (the usual
    // "boxes for Gauss" split: some boxes one size, the rest the next odd size).
    constexpr int passes = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / passes + 1.0);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = (12.0 * sigma * sigma - passes * lower * lower - 4.0 * passes * lower - 3.0 * passes)
        / (-4.0 * lower - 4.0);
    const int smallerCount = static_cast<int>(std::lround(m));
    std::array<int, 3> radii{};
    for (int i = 0; i < passes; ++i)
        radii[i] = ((i < smallerCount ? lower : upper) - 1) / 2;
    return radii;
}

int ShadowBlur::reach(double sigma)
{
    const std::array<int, 3> radii = boxRadii(sigma);
    return radii[0] + radii[1] + radii[2];
}

std::vector<float> ShadowBlur::blurredRegion(const QImage& mask, const QRect& region, double sigma)
{
    const int width = region.width();
    const int height = region.height();
    std::vector<float> result(static_cast<size_t>(std::max(0, width)) * std::max(0, height), 0.0f);
    if (width <= 0 || height <= 0)
        return result;

    const std::array<int, 3> radii = boxRadii(sigma);
    const int t = radii[0] + radii[1] + radii[2];
    const int rowsTop = region.top() - t;
    const int rowCount = height + 2 * t;

    // Horizontal passes for every row the vertical passes will read.
    std::vector<float> horizontal(static_cast<size_t>(rowCount) * width, 0.0f);
    std::vector<float> line;
    std::vector<float> scratch;
    for (int r = 0; r < rowCount; ++r) {
        const int y = rowsTop + r;
        if (y < 0 || y >= mask.height())
            continue; // empty rows stay empty
        const uchar* source = mask.constScanLine(y);
        line.assign(static_cast<size_t>(width + 2 * t), 0.0f);
        for (int i = 0; i < width + 2 * t; ++i) {
            const int x = region.left() - t + i;
            if (x >= 0 && x < mask.width())
                line[i] = source[x] * (1.0f / 255.0f);
        }
        blurLine(line, scratch, radii);
        std::copy(line.begin() + t, line.begin() + t + width, horizontal.begin() + static_cast<size_t>(r) * width);
    }

    // Vertical passes, one column at a time.
    line.resize(static_cast<size_t>(rowCount));
    for (int x = 0; x < width; ++x) {
        for (int r = 0; r < rowCount; ++r)
            line[r] = horizontal[static_cast<size_t>(r) * width + x];
        blurLine(line, scratch, radii);
        for (int y = 0; y < height; ++y)
            result[static_cast<size_t>(y) * width + x] = line[y + t];
    }
    return result;
}

std::vector<float> ShadowBlur::blurredSpan(int length, int start, int end, double sigma)
{
    if (length <= 0)
        return {};
    const std::array<int, 3> radii = boxRadii(sigma);
    const int t = radii[0] + radii[1] + radii[2];
    // Padded by the reach on both sides, so every value inside is exact.
    std::vector<float> line(static_cast<size_t>(length + 2 * t), 0.0f);
    for (int i = std::max(start, -t); i < std::min(end, length + t); ++i)
        line[static_cast<size_t>(i + t)] = 1.0f;
    std::vector<float> scratch;
    blurLine(line, scratch, radii);
    return std::vector<float>(line.begin() + t, line.begin() + t + length);
}

QList<QRect> ShadowBlur::regionsAround(const QRect& area, const QRect& hole)
{
    const QRect inner = area.intersected(hole);
    if (inner.isEmpty())
        return {area};
    QList<QRect> regions;
    auto add = [&](const QRect& rect) {
        if (!rect.isEmpty())
            regions.append(rect);
    };
    add(QRect(QPoint(area.left(), area.top()), QPoint(area.right(), inner.top() - 1)));
    add(QRect(QPoint(area.left(), inner.bottom() + 1), QPoint(area.right(), area.bottom())));
    add(QRect(QPoint(area.left(), inner.top()), QPoint(inner.left() - 1, inner.bottom())));
    add(QRect(QPoint(inner.right() + 1, inner.top()), QPoint(area.right(), inner.bottom())));
    return regions;
}

void ShadowBlur::compositeShadow(QImage& canvas, const QImage& mask, const QList<QRect>& regions, double sigma,
                                 double opacity, QPoint maskOrigin)
{
    Q_ASSERT(canvas.format() == QImage::Format_ARGB32_Premultiplied);
    const float strength = static_cast<float>(std::clamp(opacity, 0.0, 1.0));
    for (const QRect& requested : regions) {
        const QRect region = requested.intersected(canvas.rect());
        if (region.isEmpty())
            continue;
        const std::vector<float> coverage = blurredRegion(mask, region.translated(-maskOrigin), sigma);
        for (int y = 0; y < region.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(region.top() + y)) + region.left();
            const float* values = coverage.data() + static_cast<size_t>(y) * region.width();
            for (int x = 0; x < region.width(); ++x) {
                const float a = std::clamp(values[x], 0.0f, 1.0f) * strength;
                if (a <= 0.0f)
                    continue;
                // Black, premultiplied, source-over: every channel keeps (1 - a)
                // of itself and alpha gains a.
                const float keep = 1.0f - a;
                const QRgb p = row[x];
                // Every value is non-negative: adding a half and truncating rounds as
                // lround does, at a fraction of its cost over a large canvas.
                const auto rounded = [](float v) { return static_cast<int>(v + 0.5f); };
                const int alpha = std::min(255, rounded(qAlpha(p) * keep + 255.0f * a));
                row[x] = qRgba(rounded(qRed(p) * keep), rounded(qGreen(p) * keep), rounded(qBlue(p) * keep), alpha);
            }
        }
    }
}
