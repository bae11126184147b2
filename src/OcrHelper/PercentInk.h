#pragma once

// Whether a number in a line of ideographs ends in a percent sign, from the page's ink.
// The Chinese models write the sign after digits as more digits or letters ("5%" as
// "59" or "5qb", "18%" as "1896"), and the Latin engine, reading across the ideographs,
// at times takes the digits before it for letters: neither engine's text settles it. The
// glyphs themselves do: a percent sign is two small rings and a slash, as wide as it is
// tall, very unlike any digit, and it stands on the digits' baseline at their height.
// Each glyph is held against the sign and the digits as the sans-serif and the serif
// face draw them, each face against itself.

#include "OcrHelper/HanGlyphs.h"
#include "OcrHelper/HanVariantChoice.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace PercentInk {

using HanVariantChoice::Box;
using HanVariantChoice::Page;

// How a line's ink comes apart into glyphs: into runs of inked columns, or into pieces
// of ink that touch, each joined with those that share most of its columns. In small
// Latin type a serif "4" reaches under the sign after it and a point sits right against
// the next digit, with no blank column between them: there the pieces keep them apart.
// The Chinese faces set digits apart, and what is judged of their lines was tuned on
// runs.
enum class Glyphs { inkedColumns, touchingInk };

class Judge {
public:
    explicit Judge(Page page, Glyphs glyphs = Glyphs::inkedColumns);

    // `number` as a Chinese model read it (from its first digit to before the next blank
    // or ideograph), lying about within `roughly` in the text line `line`. When a glyph
    // there is a percent sign and the glyphs before it are digits and points as many and
    // in the order of the first characters of `number`, the number before its sign: those
    // characters, with a point the models lost between two of them where the glyphs
    // show one. Nothing when the ink shows no sign, or cannot say which of the
    // characters read are the sign.
    std::optional<std::u32string> numberBeforeSign(const Box& line, const Box& roughly, const std::u32string& number);

private:
    struct Span {
        int left = 0, right = 0, top = 0, bottom = 0;
        int width() const { return right - left; }
        int height() const { return bottom - top; }
    };
    // Which ink a glyph is made of: what is darker than halfway between the line's paper
    // and its darkest ink, or (faint) anything a quarter of the way there.
    enum class Contrast { usual, faint };
    void measure(const Box& line, Contrast contrast);
    template <typename Inked>
    void measureColumns(const Box& box, Inked inked);
    template <typename Inked>
    void measurePieces(const Box& box, Inked inked);
    // As above, at one contrast; `signSeen` tells whether a glyph there was the sign.
    std::optional<std::u32string> numberBeforeSign(const Box& line, const Box& roughly, const std::u32string& number,
                                                   Contrast contrast, bool& signSeen);
    using Shading = HanGlyphs::Shading;
    std::optional<HanGlyphs::InkGrid> gridOf(const Span& span, Shading shading = Shading::Solid) const;
    double likenessTo(const Span& span, const std::u32string& characters, Shading shading = Shading::Solid);
    double likenessTo(const Span& span, char32_t character, Shading shading = Shading::Solid);
    double digitLikeness(const Span& span); // like the digit it is most like
    double likenessToDigitRead(const Span& span, char32_t digit); // where the models read `digit`
    // How like the percent sign the glyph is, where it is plainly more like it than like
    // any digit; below zero where it is not.
    double signLikeness(const Span& span);
    // Whether the glyph, graded, is the sign as `face` draws it (signLikeness).
    bool gradedLikeSign(const HanGlyphs::InkGrid& graded, int face);

    Page page_;
    Glyphs glyphs_;
    Box measured_{};
    Contrast measuredAt_ = Contrast::usual;
    std::vector<Span> spans_; // the measured line's glyphs (as `Glyphs` says), left to right
    int lightest_ = 0, darkest_ = 0;
};

} // namespace PercentInk
