#include "Output/PngScanlines.h"

#include <algorithm>
#include <cstring>

namespace PngScanlines {

namespace {

    // libpng's measure of how well a filtered row will compress: bytes taken as
    // signed, summed by magnitude.
    inline std::uint32_t cost(std::uint8_t value)
    {
        return std::min<std::uint8_t>(value, std::uint8_t(-value));
    }

    // The four filters that look at neighbours, each into its own row, and the
    // cost of every filter. `cur` and `prev` have Bpp zero bytes before index 0,
    // so the left neighbour of the first pixel reads as zero, as PNG defines it.
    // Plain loops over bytes: the compiler turns each into vector code.
    template <int Bpp>
    inline __attribute__((always_inline)) int chooseFilter(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t n, std::uint8_t* rows)
    {
        std::uint8_t* sub = rows;
        std::uint8_t* up = rows + n;
        std::uint8_t* average = rows + 2 * n;
        std::uint8_t* paeth = rows + 3 * n;
        std::uint32_t sums[5] = {0, 0, 0, 0, 0};
        for (std::size_t i = 0; i < n; ++i)
            sums[0] += cost(cur[i]);
        for (std::size_t i = 0; i < n; ++i) {
            sub[i] = std::uint8_t(cur[i] - cur[i - Bpp]);
            sums[1] += cost(sub[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            up[i] = std::uint8_t(cur[i] - prev[i]);
            sums[2] += cost(up[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            average[i] = std::uint8_t(cur[i] - ((cur[i - Bpp] + prev[i]) >> 1));
            sums[3] += cost(average[i]);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::int16_t a = cur[i - Bpp];
            const std::int16_t b = prev[i];
            const std::int16_t c = prev[i - Bpp];
            const std::int16_t pa = std::int16_t(std::abs(b - c));
            const std::int16_t pb = std::int16_t(std::abs(a - c));
            const std::int16_t pc = std::int16_t(std::abs(a + b - 2 * c));
            const std::int16_t predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            paeth[i] = std::uint8_t(cur[i] - predictor);
            sums[4] += cost(paeth[i]);
        }
        return int(std::min_element(sums, sums + 5) - sums);
    }

// Where the processor has AVX2, the byte loops run twice as wide.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LUMETRA_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define LUMETRA_WIDE_VECTORS
#endif

    LUMETRA_WIDE_VECTORS int chooseFilter3(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t n,
                                           std::uint8_t* rows)
    {
        return chooseFilter<3>(prev, cur, n, rows);
    }

    LUMETRA_WIDE_VECTORS int chooseFilter4(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t n,
                                           std::uint8_t* rows)
    {
        return chooseFilter<4>(prev, cur, n, rows);
    }

    void filterRow(int bpp, const std::uint8_t* prev, const std::uint8_t* cur, std::size_t n,
                   std::vector<std::uint8_t>& rows, std::uint8_t* out)
    {
        rows.resize(4 * n);
        const int filter = bpp == 4 ? chooseFilter4(prev, cur, n, rows.data()) : chooseFilter3(prev, cur, n, rows.data());
        out[0] = std::uint8_t(filter);
        std::memcpy(out + 1, filter == 0 ? cur : rows.data() + std::size_t(filter - 1) * n, n);
    }

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
    std::vector<std::uint8_t> filtered;
    if (first > 0)
        reader.read(first - 1, prev); // the row above is another band's, but the filters look at it
    for (int y = first; y < last; ++y, out += n + 1) {
        reader.read(y, cur);
        filterRow(bpp, prev, cur, n, filtered, out);
        std::swap(prev, cur);
    }
}

} // namespace PngScanlines
