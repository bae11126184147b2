#include "OcrHelper/PercentInk.h"

#include "OcrHelper/HanGlyphs.h"
#include "OcrHelper/HanText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace PercentInk {

Judge::Judge(Page page, Glyphs glyphs)
    : page_(page)
    , glyphs_(glyphs)
{
}

void Judge::measure(const Box& line, Contrast contrast)
{
    measured_ = line;
    measuredAt_ = contrast;
    spans_.clear();
    // A little past the line's end: where the layout ended a line early, its box may
    // end inside the sign.
    const int past = (line.bottom - line.top) / 2;
    const Box box{std::max(0, line.left), std::max(0, line.top), std::min(page_.width, line.right + past), std::min(page_.height, line.bottom)};
    if (box.right - box.left < 4 || box.bottom - box.top < 4)
        return;
    const auto grey = [&](int x, int y) { return int(page_.grey[size_t(y) * size_t(page_.width) + size_t(x)]); };
    lightest_ = 0, darkest_ = 255;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            lightest_ = std::max(lightest_, grey(x, y));
            darkest_ = std::min(darkest_, grey(x, y));
        }
    constexpr int faintestContrast = 48;
    if (lightest_ - darkest_ < faintestContrast)
        return;
    const auto inked = [&](int x, int y) {
        return (lightest_ - grey(x, y)) * (contrast == Contrast::faint ? 4 : 2) > lightest_ - darkest_;
    };
    if (glyphs_ == Glyphs::touchingInk)
        measurePieces(box, inked);
    else
        measureColumns(box, inked);
}

template <typename Inked>
void Judge::measureColumns(const Box& box, Inked inked)
{
    for (int x = box.left; x < box.right; ++x) {
        int top = box.bottom, bottom = box.top;
        for (int y = box.top; y < box.bottom; ++y)
            if (inked(x, y)) {
                top = std::min(top, y);
                bottom = y + 1;
            }
        if (bottom <= top)
            continue;
        if (!spans_.empty() && spans_.back().right == x) {
            Span& span = spans_.back();
            span.right = x + 1;
            span.top = std::min(span.top, top);
            span.bottom = std::max(span.bottom, bottom);
        } else {
            spans_.push_back({x, x + 1, top, bottom});
        }
    }
}

template <typename Inked>
void Judge::measurePieces(const Box& box, Inked inked)
{
    // Pieces of ink that touch; then those that share most of their columns (a sign's
    // rings and slash, the parts of a digit drawn faint) as one.
    const int width = box.right - box.left, height = box.bottom - box.top;
    std::vector<int> piece(size_t(width) * size_t(height), -1);
    std::vector<Span> pieces;
    std::vector<std::pair<int, int>> stack;
    for (int y0 = 0; y0 < height; ++y0)
        for (int x0 = 0; x0 < width; ++x0) {
            if (piece[size_t(y0) * size_t(width) + size_t(x0)] >= 0 || !inked(box.left + x0, box.top + y0))
                continue;
            const int label = int(pieces.size());
            Span span{box.left + x0, box.left + x0 + 1, box.top + y0, box.top + y0 + 1};
            piece[size_t(y0) * size_t(width) + size_t(x0)] = label;
            stack.assign(1, {x0, y0});
            while (!stack.empty()) {
                const auto [x, y] = stack.back();
                stack.pop_back();
                span = {std::min(span.left, box.left + x), std::max(span.right, box.left + x + 1), std::min(span.top, box.top + y),
                        std::max(span.bottom, box.top + y + 1)};
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width || ny >= height || piece[size_t(ny) * size_t(width) + size_t(nx)] >= 0
                            || !inked(box.left + nx, box.top + ny))
                            continue;
                        piece[size_t(ny) * size_t(width) + size_t(nx)] = label;
                        stack.emplace_back(nx, ny);
                    }
            }
            pieces.push_back(span);
        }
    const auto shareColumns = [](const Span& a, const Span& b) {
        const int shared = std::min(a.right, b.right) - std::max(a.left, b.left);
        return shared * 2 >= std::min(a.width(), b.width());
    };
    // Left to right, only pieces that share columns are compared: a line's many pieces
    // cost little more than one pass. A piece grown by a join may now share enough with
    // one before it, so passes go on until none joins.
    const auto byLeft = [](const Span& a, const Span& b) { return a.left < b.left; };
    std::sort(pieces.begin(), pieces.end(), byLeft);
    for (bool joined = true; joined;) {
        joined = false;
        std::vector<Span> glyphs;
        int widest = 0;
        for (const Span& next : pieces) {
            Span* into = nullptr;
            for (auto glyph = glyphs.rbegin(); glyph != glyphs.rend() && glyph->left + widest > next.left && !into; ++glyph)
                if (shareColumns(*glyph, next))
                    into = &*glyph;
            if (!into) {
                glyphs.push_back(next);
                widest = std::max(widest, next.width());
                continue;
            }
            *into = {std::min(into->left, next.left), std::max(into->right, next.right), std::min(into->top, next.top),
                     std::max(into->bottom, next.bottom)};
            widest = std::max(widest, into->width());
            joined = true;
        }
        std::sort(glyphs.begin(), glyphs.end(), byLeft);
        pieces = std::move(glyphs);
    }
    spans_ = std::move(pieces);
}

std::optional<HanGlyphs::InkGrid> Judge::gridOf(const Span& span, Shading shading) const
{
    const int width = span.width(), height = span.height();
    const auto grey = [&](int x, int y) { return int(page_.grey[size_t(span.top + y) * size_t(page_.width) + size_t(span.left + x)]); };
    // Faint glyphs are shaped against their own darkest ink.
    int darkest = darkest_;
    if (measuredAt_ == Contrast::faint) {
        darkest = lightest_;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                darkest = std::min(darkest, grey(x, y));
        if (darkest >= lightest_)
            return std::nullopt;
    }
    std::vector<float> ink(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ink[size_t(y) * size_t(width) + size_t(x)] = float(lightest_ - grey(x, y)) / float(lightest_ - darkest);
    return HanGlyphs::gridOf(ink.data(), width, height, width, shading);
}

// How like the glyph is to the characters in the face that draws them most alike.
double Judge::likenessTo(const Span& span, const std::u32string& characters, Shading shading)
{
    const auto seen = gridOf(span, shading);
    double best = -1.0;
    for (int face = 0; seen && face < HanGlyphs::Renderer::shared().faces(); ++face)
        if (const auto& glyph = HanGlyphs::Renderer::shared().draw(characters, seen->inkHeight, face, shading))
            best = std::max(best, HanGlyphs::likeness(*seen, *glyph));
    return best;
}

double Judge::likenessTo(const Span& span, char32_t character, Shading shading)
{
    return likenessTo(span, std::u32string(1, character), shading);
}

double Judge::likenessToDigitRead(const Span& span, char32_t digit)
{
    // Narrower than any other digit, one upright stroke: where the models read a "1", a
    // "1" whose foot and flag drew too faint to count as ink (small serif type).
    // Stretched over the grid, its stroke fills it all or half of it, and a correlation
    // with a drawn "1" says little.
    constexpr double strokeAspect = 0.4;
    if (digit == U'1')
        if (const auto seen = gridOf(span); seen && seen->aspect <= strokeAspect)
            return 1.0;
    // A digit whose hairlines are grey (a faint serif "4"'s diagonal) is like the digit
    // read only with the grey kept.
    return std::max(likenessTo(span, digit), likenessTo(span, digit, Shading::Graded));
}

double Judge::digitLikeness(const Span& span)
{
    double best = -1.0;
    for (char32_t c = U'0'; c <= U'9'; ++c)
        best = std::max(best, likenessTo(span, c));
    return best;
}

double Judge::signLikeness(const Span& span)
{
    double best = -1.0;
    // Too small to hold two rings and a slash apart.
    if (span.height() < 6 || span.width() < 5)
        return best;
    const auto seen = gridOf(span);
    if (!seen)
        return best;
    std::optional<HanGlyphs::InkGrid> graded;
    // In one face at least, the glyph is the sign's shape and far more like it than
    // like any digit that face draws.
    for (int face = 0; face < HanGlyphs::Renderer::shared().faces(); ++face) {
        const auto& sign = HanGlyphs::Renderer::shared().draw(U'%', seen->inkHeight, face);
        if (!sign)
            continue;
        // Faces draw the sign a little wider or narrower, never as narrow as one digit
        // nor as wide as two ("96" run together has two rings too).
        const double stretch = seen->aspect / sign->aspect;
        if (stretch < 0.7 || stretch > 1.16)
            continue;
        const double likeSign = HanGlyphs::likeness(*seen, *sign);
        double likeDigit = -1.0;
        for (char32_t digit = U'0'; digit <= U'9'; ++digit)
            if (const auto& glyph = HanGlyphs::Renderer::shared().draw(digit, seen->inkHeight, face))
                likeDigit = std::max(likeDigit, HanGlyphs::likeness(*seen, *glyph));
        constexpr double fairLikeness = 0.3, clearLead = 0.15;
        if (likeSign >= fairLikeness && likeSign >= likeDigit + clearLead) {
            best = std::max(best, likeSign);
            continue;
        }
        if (!graded)
            graded = gridOf(span, Shading::Graded);
        if (graded && gradedLikeSign(*graded, face))
            best = std::max(best, std::max(likeSign, 0.0));
    }
    return best;
}

// Small serif type draws the sign's slash as a grey hairline. A solid grid loses it and
// keeps two rings, about as like a "6" stretched to their width as like the sign; graded,
// the slash stays and the sign stands out from every digit. Two digits run together
// ("96") are two rings as well, but graded they are far more like the same two digits
// drawn side by side than like the sign, where a sign is a little more like itself.
bool Judge::gradedLikeSign(const HanGlyphs::InkGrid& graded, int face)
{
    constexpr double plainLikeness = 0.55, digitLead = 0.3, pairLead = 0.05;
    const auto& sign = HanGlyphs::Renderer::shared().draw(U'%', graded.inkHeight, face, Shading::Graded);
    const double likeSign = sign ? HanGlyphs::likeness(graded, *sign) : -1.0;
    if (likeSign < plainLikeness)
        return false;
    for (char32_t digit = U'0'; digit <= U'9'; ++digit)
        if (const auto& glyph = HanGlyphs::Renderer::shared().draw(digit, graded.inkHeight, face, Shading::Graded);
            glyph && HanGlyphs::likeness(graded, *glyph) > likeSign - digitLead)
            return false;
    for (char32_t first = U'0'; first <= U'9'; ++first)
        for (char32_t second = U'0'; second <= U'9'; ++second)
            if (const auto& pair = HanGlyphs::Renderer::shared().draw(std::u32string{first, second}, graded.inkHeight, face, Shading::Graded);
                pair && HanGlyphs::likeness(graded, *pair) > likeSign - pairLead)
                return false;
    return true;
}

std::optional<std::u32string> Judge::numberBeforeSign(const Box& line, const Box& roughly, const std::u32string& number)
{
    bool signSeen = false;
    if (auto before = numberBeforeSign(line, roughly, number, Contrast::usual, signSeen); before || signSeen)
        return before;
    // Light type may draw the sign far lighter than the digits beside it (Chromium's
    // serif "%" at 13 px is a mid grey, its slash hardly there): where the ink at half
    // the line's contrast shows no sign, fainter ink is taken as well, each glyph then
    // shaped against its own darkest ink.
    return numberBeforeSign(line, roughly, number, Contrast::faint, signSeen);
}

std::optional<std::u32string> Judge::numberBeforeSign(const Box& line, const Box& roughly, const std::u32string& number,
                                                     Contrast contrast, bool& signSeen)
{
    if (number.empty() || line.left != measured_.left || line.top != measured_.top || line.right != measured_.right
        || line.bottom != measured_.bottom || contrast != measuredAt_ || spans_.empty())
        measure(line, contrast);
    // A digit drawn small in another face is only fairly like the one drawn here; a
    // piece of an ideograph is hardly like it at all.
    constexpr double readDigit = 0.3, sameDigit = 0.5, plainlyDigit = 0.7;
    // The engines place a Han line's characters only about, up to a character off. A
    // sign drawn in thin strokes may come apart into its rings and slash, each ring into
    // its sides (Chromium's 13 px serif sign is five slivers): up to five pieces close
    // together are tried as one glyph. Of two such glyphs that share a piece (the sign's
    // rings, or its right ring with the full stop after it), the one more like the sign
    // is the sign; the other would leave a ring before it to be read as a digit.
    const int side = line.bottom - line.top;
    size_t sign = spans_.size();
    Span at;
    double atLikeness = -1.0;
    for (size_t i = 0; i < spans_.size(); ++i) {
        if (spans_[i].right < roughly.left - 2 * side || spans_[i].left > roughly.right + side)
            continue;
        std::optional<double> firstLikeDigit;
        Span merged = spans_[i];
        for (size_t n = i; n < spans_.size() && n < i + 5; ++n) {
            if (n > i) {
                if ((spans_[n].left - merged.right) * 6 > side)
                    break;
                merged = {merged.left, spans_[n].right, std::min(merged.top, spans_[n].top), std::max(merged.bottom, spans_[n].bottom)};
            }
            const int middle = (merged.left + merged.right) / 2;
            if (middle < roughly.left - side || middle > roughly.right + side)
                continue;
            // Pieces that are each a digit ("96") are no sign come apart, nor is a digit
            // with what comes after it (an "8" and the first stroke of the ideograph
            // beside it). One piece alone may well look somewhat like a digit: a serif
            // sign's left ring with the slash's foot is much like a "0" or a "6", though
            // never as plainly as a digit is. A piece far shorter than the glyph is no
            // digit, however like one its few pixels look (a ring's side is a "1").
            if (n > i) {
                const auto digitTall = [&](const Span& piece) { return piece.height() * 5 >= merged.height() * 3; };
                // The sign's rings are half its height and only its slash is as tall as
                // it: pieces about as tall as the glyph with a blank column between them
                // are two characters ("96", "86"), however like the sign small type draws
                // them together. A ring with a piece of the slash is still well short of
                // the glyph, and where the slash comes apart, its halves adjoin.
                if (glyphs_ == Glyphs::touchingInk) {
                    int tall = 0, tallRight = std::numeric_limits<int>::min();
                    for (size_t k = i; k <= n; ++k)
                        if (spans_[k].height() * 20 >= merged.height() * 17) {
                            tall += spans_[k].left > tallRight;
                            tallRight = std::max(tallRight, spans_[k].right);
                        }
                    if (tall >= 2)
                        break;
                }
                if (!firstLikeDigit)
                    firstLikeDigit = digitTall(spans_[i]) ? digitLikeness(spans_[i]) : -1.0;
                if (*firstLikeDigit >= plainlyDigit
                    || (*firstLikeDigit >= sameDigit && digitTall(spans_[n]) && digitLikeness(spans_[n]) >= sameDigit))
                    break;
            }
            if (const double likeness = signLikeness(merged); likeness >= 0.0) {
                if (sign == spans_.size() || merged.left >= at.right || likeness > atLikeness) {
                    sign = i;
                    at = merged;
                    atLikeness = likeness;
                }
                break;
            }
        }
    }
    if (sign == spans_.size())
        return std::nullopt;
    signSeen = true;
    // Glyphs beside the sign that stand on its baseline within its height, close enough
    // to be of one number with it; of them, those as tall as it and narrower are digits.
    // The gap allowed is measured by the taller of the sign and the glyph after the gap:
    // a sign whose outer strokes drew faint is shorter than the digits.
    const int height = at.height(), slack = std::max(1, height / 10);
    const auto nearby = [&](const Span& first, const Span& second) {
        return (second.left - first.right) * 20 <= std::max(height, second.height()) * 9;
    };
    const auto within = [&](const Span& glyph) { return glyph.top >= at.top - slack && glyph.bottom <= at.bottom + slack; };
    const auto digitShaped = [&](const Span& glyph) {
        return within(glyph) && glyph.height() * 5 >= height * 3 && glyph.width() * 20 <= height * 19;
    };
    // A digit close after it: the number goes on, and the glyph is two of its digits
    // close together (a "35" of "2350" in light serif type), not a sign.
    const auto after = std::find_if(spans_.begin(), spans_.end(), [&](const Span& glyph) { return glyph.left >= at.right; });
    if (after != spans_.end() && nearby(at, *after) && digitShaped(*after) && digitLikeness(*after) >= plainlyDigit)
        return std::nullopt;
    // The glyphs before the sign, right to left, while they stand on its baseline within
    // its height: digits as tall as it and narrower, points low and small. A blank is
    // wider than the gaps between digits; an ideograph reaches above or below them, or
    // is wider. A glyph as tall as the digits but wider is digits run together (small
    // type draws them touching): it is cut evenly into as many digits as its width holds,
    // each then held against the digit read there like any other.
    std::vector<Span> glyphs;
    std::string classes;
    for (size_t i = sign; i > 0; --i) {
        const Span& glyph = spans_[i - 1];
        if (!nearby(glyph, spans_[i]))
            break;
        const bool digit = digitShaped(glyph);
        const bool point = within(glyph) && glyph.height() * 5 <= height * 2 && glyph.width() * 5 <= height * 2 && (at.bottom - glyph.bottom) * 4 <= height;
        if (!digit && !point) {
            // Digits are about 0.6 of their height wide, with a pixel or so between them.
            const int touching = int(std::lround(double(glyph.width()) / (0.6 * height)));
            if (!within(glyph) || std::abs(glyph.height() - height) > slack || touching < 2 || touching > 4)
                break;
            for (int k = touching - 1; k >= 0; --k) {
                const int left = glyph.left + glyph.width() * k / touching, right = glyph.left + glyph.width() * (k + 1) / touching;
                classes.insert(classes.begin(), 'D');
                glyphs.insert(glyphs.begin(), Span{left, right, glyph.top, glyph.bottom});
            }
            continue;
        }
        classes.insert(classes.begin(), digit ? 'D' : 'P');
        glyphs.insert(glyphs.begin(), glyph);
    }
    // The first characters read, as digits and points in the order of the last glyphs,
    // each digit drawn as the glyph shows it: the most of them. The glyph before them, if
    // any, is no digit (a piece of an ideograph), or the reading lost a digit.
    using HanText::isDigit;
    // A digit whose thin strokes (a serif "0"'s top and bottom) drew too faint to count
    // as ink comes in two pieces close together; two narrow digits ("11") are each like
    // the digit read, and stay apart.
    const auto digitAt = [&](size_t end, char32_t read) -> size_t {
        const Span& last = glyphs[end - 1];
        const double alone = likenessToDigitRead(last, read);
        if (alone >= sameDigit || end < 2 || classes[end - 2] != 'D')
            return alone >= readDigit ? 1 : 0;
        const Span& first = glyphs[end - 2];
        const Span joined{first.left, last.right, std::min(first.top, last.top), std::max(first.bottom, last.bottom)};
        const bool close = (last.left - first.right) * 5 <= height;
        const bool digitWide = joined.width() * 20 <= height * 19;
        if (close && digitWide) {
            const double together = likenessTo(joined, read);
            if (together >= readDigit && together > alone)
                return 2;
        }
        return alone >= readDigit ? 1 : 0;
    };
    // Whether `glyph` reaches past the digits among the glyphs from `from` on both above
    // and below, as ideographs do: however like a digit it looks (了, or the 刂 of 到), it
    // is none, nor is it a sign (a zero's side and the 比 after it).
    const auto pastDigits = [&](const Span& glyph, size_t from) {
        std::optional<std::pair<int, int>> extent;
        for (size_t d = from; d < classes.size(); ++d)
            if (classes[d] == 'D')
                extent = std::pair{extent ? std::min(extent->first, glyphs[d].top) : glyphs[d].top,
                                   extent ? std::max(extent->second, glyphs[d].bottom) : glyphs[d].bottom};
        return extent && glyph.top < extent->first && glyph.bottom > extent->second;
    };
    std::optional<size_t> digits;
    size_t used = 0; // the glyphs the digits and points read take
    // The models lose a point between digits at times ("1.1%" read "1196"): where the
    // digits read fit the glyphs but for a point between two of them, the point stands.
    std::optional<size_t> lostPoint; // where it goes among the digits
    for (size_t k = std::min(number.size(), classes.size()); k > 0 && !digits; --k) {
        bool fits = isDigit(number[0]) && isDigit(number[k - 1]);
        const bool pointRead = number.find_first_of(U".,") < k;
        std::optional<size_t> pointAt;
        size_t end = classes.size();
        for (size_t j = k; j > 0 && fits; --j) {
            const char expected = isDigit(number[j - 1]) ? 'D' : number[j - 1] == U'.' || number[j - 1] == U',' ? 'P' : 'X';
            if (expected == 'D' && j < k && end >= 2 && classes[end - 1] == 'P' && !pointRead && !pointAt) {
                pointAt = j;
                --end;
            }
            if (end == 0 || classes[end - 1] != expected) {
                fits = false;
            } else if (expected == 'P') {
                --end;
            } else {
                const size_t taken = digitAt(end, number[j - 1]);
                fits = taken > 0;
                end -= taken;
            }
        }
        if (fits && !pastDigits(glyphs[end], end + 1)) {
            digits = k;
            used = classes.size() - end;
            lostPoint = pointAt;
        }
    }
    // The models write a sign as at most one character before a "%" they wrote, and
    // without one as at most three ("9%6" and "9%06" have one). Where more are left to
    // it, some are digits of the number that the glyphs did not show as the digits read
    // (a serif "0" comes apart into its sides), and taking the sign there would drop
    // them: "100%" read "1009%6" or "10096" is no "1%".
    constexpr size_t longestSign = 3;
    if (!digits || pastDigits(at, classes.size() - used))
        return std::nullopt;
    const size_t written = number.find(U'%', *digits);
    if (written != std::u32string::npos && written - *digits > 1)
        return std::nullopt;
    if (written == std::u32string::npos && number.size() - *digits > longestSign)
        return std::nullopt;
    // What was read where the sign stands: two digits side by side ("1896" for 18%) may
    // be just that, run together in small type into two rings with little between them.
    // The models read a sign as two digits as often; only a glyph plainly those digits,
    // and far more like them than like the sign, is taken for them. In small serif type
    // the digits' hairlines are grey, and they are plainly those digits only with the
    // grey kept; a sign kept so is more like itself than like them.
    const std::u32string read = number.substr(*digits);
    if (read.size() == 2 && isDigit(read[0]) && isDigit(read[1])) {
        constexpr double plainly = 0.7, farMore = 0.3, more = 0.15;
        const double likeRead = likenessTo(at, read);
        if (likeRead >= plainly && likeRead >= likenessTo(at, U'%') + farMore)
            return std::nullopt;
        const double gradedRead = likenessTo(at, read, Shading::Graded);
        if (gradedRead >= plainly && gradedRead >= likenessTo(at, U'%', Shading::Graded) + more)
            return std::nullopt;
    }
    const size_t before = classes.size() - used;
    // A point just before them: the reading lost the digits before it.
    if (before > 0 && classes[before - 1] == 'P')
        return std::nullopt;
    // A digit before them: the reading lost it.
    if (before > 0 && classes[before - 1] == 'D' && !pastDigits(glyphs[before - 1], before)
        && digitLikeness(glyphs[before - 1]) >= sameDigit)
        return std::nullopt;
    std::u32string digitsRead = number.substr(0, *digits);
    if (lostPoint)
        digitsRead.insert(*lostPoint, 1, U'.');
    return digitsRead;
}

} // namespace PercentInk
