#pragma once

// Han characters (and the digits and signs among them) drawn the way a screen draws
// them, in a CJK face the system has, so that what an engine read can be held against
// the page's own ink.

#include <array>
#include <memory>
#include <optional>

namespace HanGlyphs {

// Ink on a coarse grid laid over a shape's ink bounds: each cell the share of it that
// is ink. Shapes of any size compare cell by cell.
inline constexpr int gridSide = 16;
struct InkGrid {
    std::array<float, gridSide * gridSide> cells{};
    double aspect = 1.0; // the ink bounds' width over their height
    int inkHeight = 0;   // the ink bounds' height in pixels
};

// Fills a grid from a w x h block of ink values (0 paper .. 1 ink) with the given row
// stride. Empty when the block holds no ink.
std::optional<InkGrid> gridOf(const float* ink, int width, int height, int stride);

// How alike two grids are: their correlation, from -1 to 1.
double likeness(const InkGrid& a, const InkGrid& b);

class Renderer {
public:
    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // `character` drawn so that its ink is about inkHeight pixels tall, as a grid. Empty
    // when no CJK face is installed or the face lacks the character.
    std::optional<InkGrid> draw(char32_t character, int inkHeight);

    // The one renderer of the process, made when first asked for (finding and opening
    // the face costs more than drawing many glyphs). Not for use from two threads at once.
    static Renderer& shared();

private:
    struct Face;
    std::unique_ptr<Face> face_;
};

} // namespace HanGlyphs
