#pragma once

// How closely a character, drawn as a screen draws it, accounts for a block of a page's
// ink. Where the page is set in a face the system has, the right character drawn at the
// page's size and place matches its pixels all but exactly, and a character that differs
// in a stroke or two leaves that stroke's ink unexplained: a far sharper measure than
// the likeness of coarse grids, for which two forms that share most strokes (来 and 來
// at 13 px) differ by a few hundredths.

#include <optional>

namespace HanGlyphs {
struct Coverage;
}

namespace GlyphFit {

// width x height ink values (0 paper .. 1 ink) with the given row stride.
struct Block {
    const float* ink = nullptr;
    int width = 0, height = 0, stride = 0;
};

// The share of the block's ink variance left unexplained by `drawn` with its top left
// at (x, y) in the block, its coverage scaled to the page's contrast (a browser draws
// type darker than FreeType's plain coverage, and paper and ink may be any greys): 0
// where it matches, 1 where it explains nothing. Empty when the block is all one grey
// or the drawing would have to be laid on as a negative.
std::optional<double> unexplained(const Block& block, const HanGlyphs::Coverage& drawn, int x, int y);

struct Fit {
    double unexplained = 1.0;
    int em64 = 0; // the em it was drawn at, in 64ths of a pixel
};

// The least share any drawing of `character` in face `face` (one of the renderer's)
// leaves unexplained: at the ems and pen phases whose ink is about as tall as the
// block's, laid where its ink lines up with the block's. `nearEm64`, where given,
// narrows the ems to those about it: the characters of a line share their size, and
// one that fit tells it. Empty where the face lacks the character, the block holds no
// ink, or no em searched draws ink about as tall as the block's.
std::optional<Fit> closestFit(const Block& block, char32_t character, int face, int nearEm64 = 0);

} // namespace GlyphFit
