#pragma once

// Han characters (and the digits and signs among them) drawn the way a screen draws
// them, in the CJK faces the system has, so that what an engine read can be held against
// the page's own ink. A page may be set in a sans-serif or a serif face, and the two draw
// digits and signs differently enough (a serif "%" has a heavy slash and round rings, a
// "2" a curled foot) that ink matched against one face only is missed in the other.

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace HanGlyphs {

// Ink on a coarse grid laid over a shape's ink bounds: each cell the share of it that
// is ink. Shapes of any size compare cell by cell.
inline constexpr int gridSide = 16;
struct InkGrid {
    std::array<float, gridSide * gridSide> cells{};
    double aspect = 1.0; // the ink bounds' width over their height
    int inkHeight = 0;   // the ink bounds' height in pixels
};

// The bounds of the pixels of a w x h block (row stride `stride`) whose ink is at least
// `inkAt`, inclusive; empty where there are none.
struct InkBounds {
    int left = 0, top = 0, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool empty() const { return right < left; }
};
InkBounds inkBounds(const float* ink, int width, int height, int stride, float inkAt);

// How a grid takes a pixel: as ink where it is at least half dark (Solid), or as the
// share of ink it holds (Graded). A hairline that small type draws in grey is lost to a
// solid grid and kept in a graded one.
enum class Shading { Solid, Graded };

// Fills a grid from a w x h block of ink values (0 paper .. 1 ink) with the given row
// stride. Empty when the block holds no ink. The grid's bounds are those of the pixels
// at least half dark, whatever the shading.
std::optional<InkGrid> gridOf(const float* ink, int width, int height, int stride, Shading shading = Shading::Solid);

// How alike two grids are: their correlation, from -1 to 1.
double likeness(const InkGrid& a, const InkGrid& b);

// A character as a screen's rasteriser draws it: FreeType's grey coverage, 0 paper .. 1
// ink, row by row.
struct Coverage {
    int width = 0, height = 0;
    std::vector<float> ink;
};

class Renderer {
public:
    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // How many faces there are to draw in: the sans-serif and the serif face fontconfig
    // picks for Chinese text, those of them the system has (the sans-serif one first).
    int faces() const;
    // Those faces and after them, from faces() on, the same families' Taiwan and Hong
    // Kong faces, which draw many characters with strokes of their own (the foot of 糹
    // in 級, the 言 of 說), and the bold ones of all six, in which a table's header or
    // its totals are set: only drawAsScreens draws in them, for a page set in one of
    // them fits its own drawing all but exactly and the others' only roughly.
    int regionalFaces() const;

    // `character` drawn in face `face` so that its ink is about inkHeight pixels tall, as
    // a grid. Empty when there is no such face or it lacks the character. Each is drawn
    // once and kept while the renderer lives: a page holds the same few characters at
    // the same few heights, held against many glyphs.
    const std::optional<InkGrid>& draw(char32_t character, int inkHeight, int face = 0, Shading shading = Shading::Solid);
    // `characters` side by side, as a face sets them, drawn and measured as one shape.
    const std::optional<InkGrid>& draw(const std::u32string& characters, int inkHeight, int face = 0, Shading shading = Shading::Solid);

    // `character` in face `face` at an em of em64 64ths of a pixel, the pen phase64 64ths
    // of a pixel right of a pixel's edge, hinted lightly as the desktops and browsers of
    // Linux ask FreeType to by default: what a screen shows of it at that size and place,
    // pixel for pixel, where the page is set in the same face. Empty when there is no
    // such face or it lacks the character. Kept like the grids, up to a bound: large
    // type drawn at many sizes would hold a great deal of memory.
    std::shared_ptr<const Coverage> drawAsScreens(char32_t character, int em64, int phase64, int face = 0);

    // The one renderer of the process, made when first asked for (finding and opening
    // the face costs more than drawing many glyphs). Not for use from two threads at once.
    static Renderer& shared();

private:
    std::optional<InkGrid> drawAnew(const std::u32string& characters, int inkHeight, int face, Shading shading);

    struct Face;
    std::vector<std::unique_ptr<Face>> faces_;
    int mainland_ = 0;
    std::map<std::tuple<std::u32string, int, int, Shading>, std::optional<InkGrid>> drawn_;
    std::map<std::tuple<char32_t, int, int, int>, std::shared_ptr<const Coverage>> drawnAsScreens_;
    size_t pixelsDrawnAsScreens_ = 0;
};

} // namespace HanGlyphs
