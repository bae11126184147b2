#pragma once

#include <QImage>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The parts of PNG encoding that look at pixels: counting colours, and turning
// rows of a QImage into filtered scanlines. The image is always RGB32, ARGB32
// or ARGB32_Premultiplied here; every function reads a band of rows and may run
// on its own thread.
namespace PngScanlines {

// Up to 256 distinct pixels, each with its palette index (the order they were added in).
class PixelPalette {
public:
    static constexpr int capacity = 256;

    PixelPalette();
    // The index of `key`, added when new; -1 when it is new and the palette is full.
    int insert(std::uint32_t key);
    int find(std::uint32_t key) const;
    int size() const { return int(m_keys.size()); }
    const std::vector<std::uint32_t>& keys() const { return m_keys; }

private:
    static constexpr int slotBits = 10;
    std::array<std::uint32_t, 1 << slotBits> m_slotKey{};
    std::array<std::int16_t, 1 << slotBits> m_slotIndex{};
    std::vector<std::uint32_t> m_keys;
};

// The key a palette holds for a pixel: the pixel itself, made opaque for RGB32
// (whose top byte carries no meaning).
inline std::uint32_t paletteKey(std::uint32_t pixel, bool rgb32)
{
    return rgb32 ? (pixel | 0xff000000u) : pixel;
}

struct BandSurvey {
    bool opaque = true;
    bool manyColours = false; // more than a palette holds
    PixelPalette colours;
};

// Whether rows [first, last) are all opaque and which colours they use.
BandSurvey surveyBand(const QImage& image, int first, int last);

// How the file lays out pixels: IHDR's colour type and bit depth.
struct Layout {
    enum class Colour : std::uint8_t { rgb = 2, palette = 3, rgba = 6 };
    Colour colour = Colour::rgb;
    int bitDepth = 8; // under 8 only for palettes of 16 colours or fewer

    int bytesPerPixel() const { return colour == Colour::rgba ? 4 : colour == Colour::rgb ? 3 : 1; }
    std::size_t rowBytes(int width) const;
};

// Writes rows [first, last) of `image` as scanlines to `out`: each a filter
// byte and the row's filtered bytes, (last - first) * (rowBytes + 1) bytes in
// all. Truecolour rows get the filter with the smallest sum of absolute
// differences; palette rows are stored unfiltered (their bytes are indices, and
// differences of indices mean nothing). `palette` maps pixel keys to indices
// for a palette layout. Throws std::bad_alloc when memory runs out.
void writeScanlines(const QImage& image, const Layout& layout, const PixelPalette* palette, int first, int last,
                    std::uint8_t* out);

} // namespace PngScanlines
