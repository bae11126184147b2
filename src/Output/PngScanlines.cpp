#include "Output/PngScanlines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace PngScanlines {

namespace {

    // libpng's measure of how well a filtered row will compress: bytes taken as
    // signed, summed by magnitude.
    inline std::uint32_t cost(std::uint8_t value)
    {
        return std::min<std::uint8_t>(value, std::uint8_t(-value));
    }

    // The four filters that look at neighbours, each into its own row, and
    // libpng's measure of every filter (`sums`). `cur` and `prev` have Bpp zero
    // bytes before index 0, so the left neighbour of the first pixel reads as
    // zero, as PNG defines it. Plain loops over bytes: the compiler turns each
    // into vector code.
    template <int Bpp>
    inline __attribute__((always_inline)) void applyFilters(const std::uint8_t* prev, const std::uint8_t* cur,
                                                            std::size_t n, std::uint8_t* rows, std::uint32_t* sums)
    {
        std::uint8_t* sub = rows;
        std::uint8_t* up = rows + n;
        std::uint8_t* average = rows + 2 * n;
        std::uint8_t* paeth = rows + 3 * n;
        const std::uint8_t* curLeft = cur - Bpp;
        const std::uint8_t* prevLeft = prev - Bpp;
        // Local sums: stores to the byte rows could alias an array the compiler cannot see through.
        std::uint32_t none = 0, left = 0, above = 0, mean = 0, predicted = 0;
        for (std::size_t i = 0; i < n; ++i)
            none += cost(cur[i]);
        for (std::size_t i = 0; i < n; ++i) {
            sub[i] = std::uint8_t(cur[i] - curLeft[i]);
            left += cost(sub[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            up[i] = std::uint8_t(cur[i] - prev[i]);
            above += cost(up[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            average[i] = std::uint8_t(cur[i] - ((curLeft[i] + prev[i]) >> 1));
            mean += cost(average[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::int16_t a = curLeft[i];
            const std::int16_t b = prev[i];
            const std::int16_t c = prevLeft[i];
            const std::int16_t pa = std::int16_t(std::abs(b - c));
            const std::int16_t pb = std::int16_t(std::abs(a - c));
            const std::int16_t pc = std::int16_t(std::abs(a + b - 2 * c));
            const std::int16_t predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            paeth[i] = std::uint8_t(cur[i] - predictor);
            predicted += cost(paeth[i]);
        }
        sums[0] = none;
        sums[1] = left;
        sums[2] = above;
        sums[3] = mean;
        sums[4] = predicted;
    }

// Where the processor has AVX2, the byte loops run twice as wide.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LUMETRA_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define LUMETRA_WIDE_VECTORS
#endif

    LUMETRA_WIDE_VECTORS void applyFilters3(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t n,
                                            std::uint8_t* rows, std::uint32_t* sums)
    {
        applyFilters<3>(prev, cur, n, rows, sums);
    }

    LUMETRA_WIDE_VECTORS void applyFilters4(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t n,
                                            std::uint8_t* rows, std::uint32_t* sums)
    {
        applyFilters<4>(prev, cur, n, rows, sums);
    }

    // Chooses each row's filter. The sums of absolute differences (libpng's
    // measure) name two candidates; of those, the row whose bytes repeat the
    // same few values wins, by an entropy estimate over a sample of its bytes.
    // The sums alone miss that a row of equal non-zero differences compresses
    // as well as zeros; the two estimates together make screenshots a few
    // percent smaller than either alone, for little time.
    class RowFilter {
    public:
        RowFilter(int bpp, std::size_t n)
            : m_bpp(bpp)
            , m_n(n)
            , m_stride(std::size_t(bpp) + 1) // not a multiple of bpp: the sample takes every channel
            , m_rows(4 * n)
        {
            // h log2 h for every count a sample can have.
            m_weights.resize(n / m_stride + 2);
            for (std::size_t h = 1; h < m_weights.size(); ++h)
                m_weights[h] = float(double(h) * std::log2(double(h)));
        }

        // Writes the filter byte and the filtered row (n + 1 bytes) to `out`.
        void filter(const std::uint8_t* prev, const std::uint8_t* cur, std::uint8_t* out)
        {
            std::uint32_t sums[5];
            if (m_bpp == 4)
                applyFilters4(prev, cur, m_n, m_rows.data(), sums);
            else
                applyFilters3(prev, cur, m_n, m_rows.data(), sums);
            int order[5] = {0, 1, 2, 3, 4};
            std::partial_sort(order, order + 2, order + 5, [&](int a, int b) { return sums[a] < sums[b]; });
            const int chosen = concentration(row(order[1], cur)) > concentration(row(order[0], cur)) ? order[1]
                                                                                                      : order[0];
            out[0] = std::uint8_t(chosen);
            std::memcpy(out + 1, row(chosen, cur), m_n);
        }

    private:
        const std::uint8_t* row(int filter, const std::uint8_t* cur) const
        {
            return filter == 0 ? cur : m_rows.data() + std::size_t(filter - 1) * m_n;
        }

        // The sum of h log h over the counts h of each byte value in the sample:
        // the larger, the fewer bits the row's bytes need.
        float concentration(const std::uint8_t* bytes) const
        {
            // Four counts interleaved, so runs of one value do not wait on each other.
            std::uint16_t counts[4][256] = {};
            const std::size_t step = m_stride;
            std::size_t i = 0;
            for (; i + 3 * step < m_n; i += 4 * step) {
                ++counts[0][bytes[i]];
                ++counts[1][bytes[i + step]];
                ++counts[2][bytes[i + 2 * step]];
                ++counts[3][bytes[i + 3 * step]];
            }
            for (; i < m_n; i += step)
                ++counts[0][bytes[i]];
            float total = 0;
            for (int v = 0; v < 256; ++v)
                total += m_weights[std::size_t(counts[0][v]) + counts[1][v] + counts[2][v] + counts[3][v]];
            return total;
        }

        const int m_bpp;
        const std::size_t m_n;
        const std::size_t m_stride;
        std::vector<std::uint8_t> m_rows;
        std::vector<float> m_weights;
    };

    // Reads rows as PNG bytes in the file's colour layout.
    class RowReader {
    public:
        RowReader(const QImage& image, const Layout& layout, const PixelPalette* palette, int last)
            : m_image(image)
            , m_layout(layout)
            , m_palette(palette)
            , m_last(last)
        {
        }

        // Row y into `out` (rowBytes of the layout).
        void read(int y, std::uint8_t* out)
        {
            const int width = m_image.width();
            const auto* pixels = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
            switch (m_layout.colour) {
            case Layout::Colour::rgb:
                for (int x = 0; x < width; ++x) {
                    const QRgb p = pixels[x];
                    out[3 * x] = std::uint8_t(p >> 16);
                    out[3 * x + 1] = std::uint8_t(p >> 8);
                    out[3 * x + 2] = std::uint8_t(p);
                }
                break;
            case Layout::Colour::rgba:
                if (m_image.format() == QImage::Format_ARGB32_Premultiplied)
                    pixels = straightRow(y);
                for (int x = 0; x < width; ++x) {
                    const QRgb p = pixels[x];
                    out[4 * x] = std::uint8_t(p >> 16);
                    out[4 * x + 1] = std::uint8_t(p >> 8);
                    out[4 * x + 2] = std::uint8_t(p);
                    out[4 * x + 3] = std::uint8_t(p >> 24);
                }
                break;
            case Layout::Colour::palette:
                readIndices(pixels, width, out);
                break;
            }
        }

    private:
        // Straight alpha exactly as Qt's own conversion makes it (which Qt's PNG
        // writer used), converted a few rows at a time.
        const QRgb* straightRow(int y)
        {
            if (m_straight.isNull() || y < m_straightFirst || y >= m_straightFirst + m_straight.height()) {
                constexpr int rowsAtOnce = 32;
                const int rows = std::min(rowsAtOnce, std::max(1, m_last - y));
                const QImage view(m_image.constScanLine(y), m_image.width(), rows, m_image.bytesPerLine(),
                                  m_image.format());
                m_straight = view.convertToFormat(QImage::Format_ARGB32);
                if (m_straight.isNull())
                    throw std::bad_alloc();
                m_straightFirst = y;
            }
            return reinterpret_cast<const QRgb*>(m_straight.constScanLine(y - m_straightFirst));
        }

        void readIndices(const QRgb* pixels, int width, std::uint8_t* out) const
        {
            const bool rgb32 = m_image.format() == QImage::Format_RGB32;
            const int depth = m_layout.bitDepth;
            std::uint32_t lastKey = ~paletteKey(pixels[0], rgb32);
            int index = 0;
            // Several pixels per byte below 8 bits, the leftmost in the high bits.
            unsigned pending = 0;
            int pendingBits = 0;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t key = paletteKey(pixels[x], rgb32);
                if (key != lastKey) {
                    index = std::max(0, m_palette->find(key));
                    lastKey = key;
                }
                if (depth == 8) {
                    out[x] = std::uint8_t(index);
                    continue;
                }
                pending = (pending << depth) | unsigned(index);
                pendingBits += depth;
                if (pendingBits == 8) {
                    *out++ = std::uint8_t(pending);
                    pending = 0;
                    pendingBits = 0;
                }
            }
            if (pendingBits)
                *out = std::uint8_t(pending << (8 - pendingBits));
        }

        const QImage& m_image;
        const Layout& m_layout;
        const PixelPalette* m_palette;
        const int m_last;
        QImage m_straight;
        int m_straightFirst = 0;
    };

} // namespace

PixelPalette::PixelPalette()
{
    m_slotIndex.fill(-1);
    m_keys.reserve(capacity);
}

int PixelPalette::insert(std::uint32_t key)
{
    std::size_t slot = (key * 2654435761u) >> (32 - slotBits);
    while (m_slotIndex[slot] >= 0) {
        if (m_slotKey[slot] == key)
            return m_slotIndex[slot];
        slot = (slot + 1) & (m_slotKey.size() - 1);
    }
    if (size() == capacity)
        return -1;
    m_slotKey[slot] = key;
    m_slotIndex[slot] = std::int16_t(size());
    m_keys.push_back(key);
    return size() - 1;
}

int PixelPalette::find(std::uint32_t key) const
{
    std::size_t slot = (key * 2654435761u) >> (32 - slotBits);
    while (m_slotIndex[slot] >= 0) {
        if (m_slotKey[slot] == key)
            return m_slotIndex[slot];
        slot = (slot + 1) & (m_slotKey.size() - 1);
    }
    return -1;
}

BandSurvey surveyBand(const QImage& image, int first, int last)
{
    BandSurvey survey;
    const bool rgb32 = image.format() == QImage::Format_RGB32;
    const int width = image.width();
    for (int y = first; y < last; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!rgb32 && survey.opaque) {
            QRgb all = 0xffffffffu;
            for (int x = 0; x < width; ++x)
                all &= pixels[x];
            survey.opaque = qAlpha(all) == 255;
        }
        if (!survey.manyColours) {
            // Screens are mostly runs of one colour: look up only where it changes.
            std::uint32_t lastKey = ~paletteKey(pixels[0], rgb32);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t key = paletteKey(pixels[x], rgb32);
                if (key == lastKey)
                    continue;
                lastKey = key;
                if (survey.colours.insert(key) < 0) {
                    survey.manyColours = true;
                    break;
                }
            }
        }
        if (survey.manyColours && (rgb32 || !survey.opaque))
            break;
    }
    return survey;
}

std::size_t Layout::rowBytes(int width) const
{
    return (std::size_t(width) * std::size_t(bitDepth) * std::size_t(bytesPerPixel()) + 7) / 8;
}

void writeScanlines(const QImage& image, const Layout& layout, const PixelPalette* palette, int first, int last,
                    std::uint8_t* out)
{
    const std::size_t n = layout.rowBytes(image.width());
    const int bpp = layout.bytesPerPixel();
    RowReader reader(image, layout, palette, last);
    if (layout.colour == Layout::Colour::palette) {
        for (int y = first; y < last; ++y, out += n + 1) {
            out[0] = 0;
            reader.read(y, out + 1);
        }
        return;
    }
    // Two rows, each behind bpp zero bytes (the left neighbour of the first pixel).
    std::vector<std::uint8_t> rowPair(2 * (n + bpp), 0);
    std::uint8_t* prev = rowPair.data() + bpp;
    std::uint8_t* cur = prev + n + bpp;
    RowFilter filter(bpp, n);
    if (first > 0)
        reader.read(first - 1, prev); // the row above is another band's, but the filters look at it
    for (int y = first; y < last; ++y, out += n + 1) {
        reader.read(y, cur);
        filter.filter(prev, cur, out);
        std::swap(prev, cur);
    }
}

} // namespace PngScanlines
