#include "OcrHelper/GlyphFit.h"

#include "OcrHelper/HanGlyphs.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace GlyphFit {

namespace {

// Ink is taken from a quarter dark: a speck of antialiasing lines up with nothing, and
// the grey ends of thin strokes, which a browser draws lighter than FreeType's plain
// coverage, still count.
using Bounds = HanGlyphs::InkBounds;

Bounds inkBounds(const float* ink, int width, int height, int stride)
{
    return HanGlyphs::inkBounds(ink, width, height, stride, 0.25f);
}

// What a block's least-squares fits share, whatever is laid on it.
struct BlockSums {
    explicit BlockSums(const Block& of)
        : block(of)
    {
        for (int y = 0; y < block.height; ++y)
            for (int x = 0; x < block.width; ++x) {
                const double i = block.ink[size_t(y) * size_t(block.stride) + size_t(x)];
                ink += i;
                inkInk += i * i;
            }
    }
    const Block& block;
    double ink = 0, inkInk = 0;
};

// The fit of the block's ink to contrast * drawn + paper, by least squares. The drawing
// is 0 off its own bounds, so only its pixels over the block add to its sums.
std::optional<double> unexplainedIn(const BlockSums& sums, const HanGlyphs::Coverage& drawn, int x, int y)
{
    const Block& block = sums.block;
    double sumDrawn = 0, drawnDrawn = 0, drawnInk = 0;
    const int fromRow = std::max(0, -y), toRow = std::min(drawn.height, block.height - y);
    const int fromColumn = std::max(0, -x), toColumn = std::min(drawn.width, block.width - x);
    for (int row = fromRow; row < toRow; ++row) {
        const float* d = drawn.ink.data() + size_t(row) * size_t(drawn.width);
        const float* i = block.ink + size_t(row + y) * size_t(block.stride) + size_t(x);
        for (int column = fromColumn; column < toColumn; ++column) {
            sumDrawn += d[column];
            drawnDrawn += double(d[column]) * d[column];
            drawnInk += double(d[column]) * i[column];
        }
    }
    const double n = double(block.width) * double(block.height);
    if (n <= 0)
        return std::nullopt;
    const double varianceDrawn = drawnDrawn - sumDrawn * sumDrawn / n, together = drawnInk - sumDrawn * sums.ink / n,
                 varianceInk = sums.inkInk - sums.ink * sums.ink / n;
    if (varianceInk <= 1e-9 || varianceDrawn <= 1e-9 || together <= 0)
        return std::nullopt;
    return std::clamp((varianceInk - together * together / varianceDrawn) / varianceInk, 0.0, 1.0);
}

} // namespace

std::optional<double> unexplained(const Block& block, const HanGlyphs::Coverage& drawn, int x, int y)
{
    return unexplainedIn(BlockSums(block), drawn, x, y);
}

std::optional<Fit> closestFit(const Block& block, char32_t character, int face, int nearEm64)
{
    const Bounds seen = inkBounds(block.ink, block.width, block.height, block.stride);
    if (seen.empty())
        return std::nullopt;
    const BlockSums sums(block);
    HanGlyphs::Renderer& renderer = HanGlyphs::Renderer::shared();
    // An ideograph's ink takes 0.8 to 1 of its em, and its antialiased edges can add a
    // row. Ems a quarter pixel apart cover what CSS sizes and zoom give, pen phases a
    // quarter pixel apart a browser's placing of glyphs at fractions of a pixel to
    // within an eighth of one. In type over 24 px a fraction of a pixel is lost in the
    // strokes' width: a dozen ems across the range and whole pixels do.
    int fromEm = (seen.height() - 1) * 64, toEm = seen.height() * 64 * 5 / 4;
    const bool small = fromEm < 24 * 64;
    const int emStep = small ? 16 : (toEm - fromEm) / 12, phaseStep = small ? 16 : 64;
    if (nearEm64 > 0) {
        // Light hinting draws ems half a pixel apart all but alike, so the one that fit
        // best may be that far from the size set.
        fromEm = nearEm64 - 2 * emStep;
        toEm = nearEm64 + 2 * emStep;
    }
    // First each em at a whole pixel, laid so that the two inks' bounds share their
    // middle and a pixel either way (the bounds of faint stroke ends differ by a pixel
    // with the contrast a screen draws in); then each moved on by fractions of a pixel
    // from the place that fit it best. (Moving on only the best few ems missed the
    // right one: at a whole pixel, a neighbouring em can fit better.)
    struct Laid {
        double share = 1.0;
        int em = 0, x = 0, y = 0;
    };
    std::vector<Laid> atWholePixels;
    for (int em = fromEm; em <= toEm; em += emStep) {
        // Only the ems whose ink is about as tall as the block's.
        const auto drawn = renderer.drawAsScreens(character, em, 0, face);
        const Bounds ink = drawn ? inkBounds(drawn->ink.data(), drawn->width, drawn->height, drawn->width) : Bounds{};
        if (ink.empty() || std::abs(ink.height() - seen.height()) > 1)
            continue;
        const int x = int(std::floor((seen.left + seen.right - ink.left - ink.right) / 2.0)),
                  y = int(std::floor((seen.top + seen.bottom - ink.top - ink.bottom) / 2.0));
        std::optional<Laid> best;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (const auto share = unexplainedIn(sums, *drawn, x + dx, y + dy); share && (!best || *share < best->share))
                    best = Laid{*share, em, x + dx, y + dy};
        if (best)
            atWholePixels.push_back(*best);
    }
    if (atWholePixels.empty())
        return std::nullopt;
    // A pen phase moves the ink right by a fraction of a pixel, so the place to try is
    // the whole pixel's or the one left of it; light hinting keeps the rows.
    Fit best;
    for (const Laid& laid : atWholePixels) {
        if (laid.share < best.unexplained)
            best = {laid.share, laid.em};
        for (int phase = phaseStep; phase < 64; phase += phaseStep) {
            const auto drawn = renderer.drawAsScreens(character, laid.em, phase, face);
            for (int x = laid.x - 1; drawn && x <= laid.x; ++x)
                if (const auto share = unexplainedIn(sums, *drawn, x, laid.y); share && *share < best.unexplained)
                    best = {*share, laid.em};
        }
    }
    return best;
}

} // namespace GlyphFit
