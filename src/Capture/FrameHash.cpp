// The average hash that lets the stitcher dismiss unchanged frames before any pixel
// comparison.
#include "Capture/FramePixels.h"
#include "Capture/ScrollStitcher.h"

#include <algorithm>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ScrollStitcher {

namespace {

// Cell i of `side` covers [i * length / side, (i + 1) * length / side), at least one
// pixel, so images smaller than the thumbnail repeat their pixels.
int cellStart(int i, int length, int side) { return int(qint64(i) * length / side); }
int cellEnd(int i, int length, int side) { return std::max(cellStart(i, length, side) + 1, cellStart(i + 1, length, side)); }

// Adds each pixel's red and blue (packed) and green to the column sums.
void addChannels(const quint32* row, int width, quint32* redBlue, quint32* green)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i lowBytes = _mm_set1_epi32(0x00ff00ff);
    const __m128i lowByte = _mm_set1_epi32(0xff);
    for (; x + 4 <= width; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        auto* rb = reinterpret_cast<__m128i*>(redBlue + x);
        auto* g = reinterpret_cast<__m128i*>(green + x);
        _mm_storeu_si128(rb, _mm_add_epi32(_mm_loadu_si128(rb), _mm_and_si128(p, lowBytes)));
        _mm_storeu_si128(g, _mm_add_epi32(_mm_loadu_si128(g), _mm_and_si128(_mm_srli_epi32(p, 8), lowByte)));
    }
#endif
    for (; x < width; ++x) {
        redBlue[x] += row[x] & 0x00ff00ffu;
        green[x] += (row[x] >> 8) & 0xffu;
    }
}

} // namespace

std::optional<std::vector<quint8>> grayThumbnail(const QImage& image, int side)
{
    const QImage readable = withFramePixelLayout(image);
    const FramePixels pixels = framePixels(readable);
    if (pixels.isNull() || side < 1)
        return std::nullopt;
    const int w = pixels.width, h = pixels.height;
    std::vector<quint8> thumbnail(std::size_t(side) * std::size_t(side));
    // Channel sums down each column, red and blue packed in the halves of one word
    // (at most 256 rows at a time, so that blue never carries into red), then across
    // each cell.
    std::vector<quint32> redBlue(static_cast<std::size_t>(w)), green(static_cast<std::size_t>(w));
    std::vector<quint64> cells(3 * std::size_t(side));
    for (int j = 0; j < side; ++j) {
        std::fill(cells.begin(), cells.end(), 0);
        const int y0 = cellStart(j, h, side), y1 = cellEnd(j, h, side);
        for (int chunk = y0; chunk < y1; chunk += 256) {
            std::fill(redBlue.begin(), redBlue.end(), 0u);
            std::fill(green.begin(), green.end(), 0u);
            for (int y = chunk; y < std::min(y1, chunk + 256); ++y)
                addChannels(pixels.row(y), w, redBlue.data(), green.data());
            for (int i = 0; i < side; ++i) {
                for (int x = cellStart(i, w, side); x < cellEnd(i, w, side); ++x) {
                    cells[3 * std::size_t(i)] += redBlue[std::size_t(x)] >> 16;
                    cells[3 * std::size_t(i) + 1] += green[std::size_t(x)];
                    cells[3 * std::size_t(i) + 2] += redBlue[std::size_t(x)] & 0xffffu;
                }
            }
        }
        for (int i = 0; i < side; ++i) {
            const quint64 weighted = 77 * cells[3 * std::size_t(i)] + 150 * cells[3 * std::size_t(i) + 1]
                + 29 * cells[3 * std::size_t(i) + 2];
            const quint64 weight = quint64(cellEnd(i, w, side) - cellStart(i, w, side)) * quint64(y1 - y0) * 256;
            thumbnail[std::size_t(j) * std::size_t(side) + std::size_t(i)] = quint8((weighted + weight / 2) / weight);
        }
    }
    return thumbnail;
}

qint64 frameDistance(const QImage& a, const QImage& b)
{
    const auto first = grayThumbnail(a, kThumbnailSide);
    const auto second = grayThumbnail(b, kThumbnailSide);
    if (!first || !second)
        return std::numeric_limits<qint64>::max();
    const auto bitsAboveMean = [](const std::vector<quint8>& thumbnail) {
        quint64 sum = 0;
        for (quint8 value : thumbnail)
            sum += value;
        const quint64 mean = sum / thumbnail.size();
        std::vector<bool> bits(thumbnail.size());
        for (std::size_t i = 0; i < thumbnail.size(); ++i)
            bits[i] = thumbnail[i] > mean;
        return bits;
    };
    const auto x = bitsAboveMean(*first), y = bitsAboveMean(*second);
    qint64 distance = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        distance += x[i] != y[i] ? 1 : 0;
    return distance;
}

} // namespace ScrollStitcher
