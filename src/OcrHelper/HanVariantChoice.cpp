#include "OcrHelper/HanVariantChoice.h"

#include "OcrHelper/GlyphFit.h"
#include "OcrHelper/HanGlyphs.h"
#include "OcrHelper/HanText.h"
#include "OcrHelper/HanVariantPairs.h"

#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace HanVariantChoice {

namespace {

using HanText::decoded;
using HanText::encoded;
using HanText::isHan;

bool isBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n'; }

// The pairs (i in a, j in b) one alignment of the fewest edits that turn a into b
// replaces one character by another at. The two forms of one character are the
// cheapest replacement and an ideograph for a sign the dearest: where a reading has a
// mark more or fewer beside a word ("合計_" against "合计"), the ideographs still line
// up form against form rather than one against the mark and the other left over.
std::vector<std::pair<size_t, size_t>> substitutions(const std::u32string& a, const std::u32string& b)
{
    const size_t n = a.size(), m = b.size();
    // In halves of an edit: leaving a character out costs two.
    const auto replacing = [&](size_t i, size_t j) {
        if (a[i] == b[j])
            return 0;
        if (isHan(a[i]) != isHan(b[j]))
            return 3;
        return isHan(a[i]) && HanVariantPairs::arePair(a[i], b[j]) ? 1 : 2;
    };
    constexpr int leftOut = 2;
    std::vector<int> cost((n + 1) * (m + 1));
    const auto at = [&](size_t i, size_t j) -> int& { return cost[i * (m + 1) + j]; };
    for (size_t i = 0; i <= n; ++i)
        at(i, 0) = int(i) * leftOut;
    for (size_t j = 0; j <= m; ++j)
        at(0, j) = int(j) * leftOut;
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j)
            at(i, j) = std::min({at(i - 1, j) + leftOut, at(i, j - 1) + leftOut, at(i - 1, j - 1) + replacing(i - 1, j - 1)});
    std::vector<std::pair<size_t, size_t>> pairs;
    for (size_t i = n, j = m; i > 0 && j > 0;) {
        if (at(i, j) == at(i - 1, j - 1) + replacing(i - 1, j - 1)) {
            if (a[i - 1] != b[j - 1])
                pairs.emplace_back(i - 1, j - 1);
            --i, --j;
        } else if (at(i, j) == at(i - 1, j) + leftOut) {
            --i;
        } else {
            --j;
        }
    }
    return pairs;
}

// A run of page columns [left, right).
struct Span {
    int left = 0, right = 0;
};

// The line's ink cut into the cells of its characters. An ideograph fills most of a
// square (`side` pixels), often in parts with gaps between them (the two halves of
// 陳), and stands a little apart from the next: runs of inked columns are joined while
// they fit in about one square and lie close, and a run as wide as several squares
// (characters that touch) is cut evenly. A row's ink running on for more than two
// squares is a rule (the edge of a field or a button drawn about part of the line),
// which would join all the columns under it.
template <typename IsInk>
std::vector<Span> characterCells(const Box& line, int side, IsInk isInk)
{
    std::vector<bool> inked(size_t(std::max(0, line.right - line.left)), false);
    for (int y = line.top; y < line.bottom; ++y)
        for (int x = line.left; x < line.right;) {
            if (!isInk(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < line.right && isInk(end, y))
                ++end;
            if (end - x <= 2 * side)
                std::fill(inked.begin() + (x - line.left), inked.begin() + (end - line.left), true);
            x = end;
        }
    std::vector<Span> runs;
    for (int x = line.left; x < line.right; ++x) {
        if (!inked[size_t(x - line.left)])
            continue;
        if (!runs.empty() && runs.back().right == x)
            runs.back().right = x + 1;
        else
            runs.push_back({x, x + 1});
    }
    std::vector<Span> joined;
    for (const Span& run : runs) {
        if (!joined.empty() && (run.right - joined.back().left) * 20 <= side * 21 && (run.left - joined.back().right) * 4 <= side)
            joined.back().right = run.right;
        else
            joined.push_back(run);
    }
    std::vector<Span> cells;
    for (const Span& span : joined) {
        const int width = span.right - span.left;
        const int parts = width * 2 > side * 3 ? std::max(1, int(std::lround(double(width) / side))) : 1;
        for (int k = 0; k < parts; ++k)
            cells.push_back({span.left + width * k / parts, span.left + width * (k + 1) / parts});
    }
    return cells;
}

// The side of the square the line's ideographs are set in: the line's height, but where
// a field or a button drawn about part of the line makes it much taller than its type,
// the height most of the engine's ideographs have, whose boxes are rough along the line
// but hold their ink's height.
int squareOf(const Line& line, const std::u32string& read, int lineHeight)
{
    std::vector<int> heights;
    for (size_t i = 0; i < read.size() && i < line.symbols.size(); ++i)
        if (isHan(read[i]))
            heights.push_back(line.symbols[i].box.bottom - line.symbols[i].box.top);
    if (heights.size() < 2)
        return lineHeight;
    std::nth_element(heights.begin(), heights.begin() + long(heights.size() / 2), heights.end());
    const int most = heights[heights.size() / 2];
    constexpr int smallest = 6;
    return most >= smallest && most * 10 < lineHeight * 7 ? most : lineHeight;
}

// For each symbol, the cell it is in (-1: none): the symbols in their order against the
// cells in theirs, each symbol's rough place nearest its cell's, a symbol or a cell
// left over costing as much as a place two squares off (the engine's places drift by
// up to a square along a line).
std::vector<int> matchCells(const std::vector<Symbol>& symbols, const std::vector<Span>& cells, int side)
{
    const size_t n = symbols.size(), m = cells.size();
    const double skip = 2.0 * side;
    std::vector<double> cost((n + 1) * (m + 1));
    const auto at = [&](size_t i, size_t j) -> double& { return cost[i * (m + 1) + j]; };
    const auto distance = [&](size_t i, size_t j) {
        return std::abs((symbols[i].box.left + symbols[i].box.right) / 2.0 - (cells[j].left + cells[j].right) / 2.0);
    };
    for (size_t i = 0; i <= n; ++i)
        at(i, 0) = double(i) * skip;
    for (size_t j = 0; j <= m; ++j)
        at(0, j) = double(j) * skip;
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j)
            at(i, j) = std::min({at(i - 1, j - 1) + distance(i - 1, j - 1), at(i - 1, j) + skip, at(i, j - 1) + skip});
    std::vector<int> cellOf(n, -1);
    for (size_t i = n, j = m; i > 0 && j > 0;) {
        if (at(i, j) == at(i - 1, j - 1) + distance(i - 1, j - 1)) {
            cellOf[i - 1] = int(j - 1);
            --i, --j;
        } else if (at(i, j) == at(i - 1, j) + skip) {
            --i;
        } else {
            --j;
        }
    }
    return cellOf;
}

// The page's ink over columns [left, right) and rows [top, bottom), in the line's
// contrast: 0 its lightest grey (or lighter), 1 its darkest.
std::vector<float> inkIn(Page page, Box area, int lightest, int darkest)
{
    const int width = area.right - area.left;
    std::vector<float> ink(size_t(width) * size_t(area.bottom - area.top));
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            ink[size_t(y - area.top) * size_t(width) + size_t(x - area.left)] =
                std::max(0.0f, float(lightest - page.grey[size_t(y) * size_t(page.width) + size_t(x)]) / float(lightest - darkest));
    return ink;
}

// The right character left 0.01 to 0.07 of a cell's ink unexplained on the pages
// tried (Chromium's sans-serif type from 12 to 16 px), and 來 for 来 or 来 for 來,
// which differ in two short strokes, 0.2 and more; of the pairs that fit under 0.12
// over 75 pages, the other form left at least 3.5 times as much (內 0.085, 内 0.30).
// Type in a face the system lacks, or one its rasteriser draws otherwise
// (Chromium's serif type at 16 px), leaves 0.15 and more for either form.
constexpr double exactlyDrawn = 0.12, severalTimesWorse = 2.5;
// A page is taken to be in one script where its pixels settled this many pairs of
// forms, this many times as many on one side as on the other.
constexpr int pageSettled = 3, pageOneSided = 4;
// A likeness lead this small says nothing of the form.
constexpr double faintLead = 0.1;

// The cells of a line held against characters drawn as a screen draws them
// (GlyphFit.h), each fit worked out once: in every face the system has, the Taiwan and
// Hong Kong ones too, until one fits, then in its face and about its size, which the
// line's characters share. (A Traditional page is often set in a Taiwan or Hong Kong
// face, whose 級 or 數 the Mainland face's drawing leaves a seventh to a quarter
// unexplained, as much as it leaves of 级 or 数: there only its own face tells.) (The face
// the grids' likeness picks for a line is no guide: a serif line's 來 fits the serif
// face's drawing all but exactly and the sans-serif one's leaves a fifth of its ink.)
class DrawnCells {
public:
    DrawnCells(Page page, Box line, int side, const std::vector<Span>& cells, int lightest, int darkest)
        : page_(page), line_(line), side_(side), cells_(cells), lightest_(lightest), darkest_(darkest)
    {
    }

    // Whether cell k shows `a` (true) or `b` (false): one of them all but exactly, the
    // other leaving several times as much of the ink unexplained. Empty where neither or
    // both fit so (the page set in a face the system lacks, a cell holding more or less
    // than the character).
    std::optional<bool> whichOf(int k, char32_t a, char32_t b)
    {
        const auto fitA = fit(k, a), fitB = fit(k, b);
        if (!fitA || !fitB)
            return std::nullopt;
        const double better = std::min(*fitA, *fitB), worse = std::max(*fitA, *fitB);
        if (better > exactly || worse < better * severalTimes)
            return std::nullopt;
        return *fitA < *fitB;
    }

    // The share of cell k's ink that c, drawn as a screen draws it, leaves unexplained.
    std::optional<double> unexplained(int k, char32_t c) { return fit(k, c); }

    bool showsExactly(int k, char32_t c)
    {
        const auto share = fit(k, c);
        return share && *share <= exactly;
    }

private:
    static constexpr double exactly = exactlyDrawn, severalTimes = severalTimesWorse;

    std::optional<double> fit(int k, char32_t c)
    {
        // A cell narrower than half a square is a sign's, or a piece of a character.
        if (k < 0 || k >= int(cells_.size()) || (cells_[size_t(k)].right - cells_[size_t(k)].left) * 2 < side_)
            return std::nullopt;
        const auto key = std::make_pair(k, c);
        if (const auto found = fits_.find(key); found != fits_.end())
            return found->second;
        if (!blocks_.count(k))
            blocks_[k] = inkOf(cells_[size_t(k)]);
        const auto& [ink, width] = blocks_[k];
        const int height = width > 0 ? int(ink.size()) / width : 0;
        const GlyphFit::Block block{ink.data(), width, height, width};
        std::optional<GlyphFit::Fit> best;
        int bestFace = 0;
        const auto tryFace = [&](int face, int nearEm64) {
            if (const auto found = GlyphFit::closestFit(block, c, face, nearEm64); found && (!best || found->unexplained < best->unexplained)) {
                best = found;
                bestFace = face;
            }
        };
        const int faces = HanGlyphs::Renderer::shared().regionalFaces();
        if (size_) {
            // A character the line's face draws as another region's face does fits that
            // face's drawing first; one it draws with strokes of its own, only its own.
            tryFace(size_->face, size_->em64);
            for (int face = 0; face < faces && (!best || best->unexplained > exactly); ++face)
                if (face != size_->face)
                    tryFace(face, size_->em64);
            return fits_[key] = best ? std::optional<double>(best->unexplained) : std::nullopt;
        }
        // Most pages are set in a Mainland face, regular: the others are drawn only where
        // those fit no character closely (small bold type fits the regular drawing about
        // as well as it fits the other form's).
        for (int face = 0; face < faces && (face < HanGlyphs::Renderer::shared().faces() || !best || best->unexplained > exactly / 2); ++face)
            tryFace(face, 0);
        if (best && best->unexplained <= exactly)
            size_ = Size{bestFace, best->em64};
        return fits_[key] = best ? std::optional<double>(best->unexplained) : std::nullopt;
    }

    // The cell's columns and the line's rows, with a pixel or two about them for the
    // antialiasing and the top row small type can lose from the line's box, as ink.
    std::pair<std::vector<float>, int> inkOf(Span cell) const
    {
        const Box area{std::max(0, cell.left - 1), std::max(0, line_.top - 2), std::min(page_.width, cell.right + 1),
                       std::min(page_.height, line_.bottom + 2)};
        return {inkIn(page_, area, lightest_, darkest_), area.right - area.left};
    }

    Page page_;
    Box line_;
    int side_;
    const std::vector<Span>& cells_;
    int lightest_, darkest_;
    std::map<int, std::pair<std::vector<float>, int>> blocks_;
    std::map<std::pair<int, char32_t>, std::optional<double>> fits_;
    // The line's face and size, once a character fit in them.
    struct Size {
        int face = 0, em64 = 0;
    };
    std::optional<Size> size_;
};

} // namespace

Line lineAt(const tesseract::ResultIterator& at)
{
    Line line;
    at.BoundingBox(tesseract::RIL_TEXTLINE, &line.box.left, &line.box.top, &line.box.right, &line.box.bottom);
    tesseract::ResultIterator it(at);
    do {
        Symbol symbol;
        std::unique_ptr<char[]> text(it.GetUTF8Text(tesseract::RIL_SYMBOL));
        symbol.text = text ? text.get() : "";
        it.BoundingBox(tesseract::RIL_SYMBOL, &symbol.box.left, &symbol.box.top, &symbol.box.right, &symbol.box.bottom);
        line.symbols.push_back(std::move(symbol));
    } while (!it.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_SYMBOL) && it.Next(tesseract::RIL_SYMBOL));
    return line;
}

Chooser::Chooser(Page page)
    : page_(page)
{
}

Chooser::~Chooser() = default;

std::string Chooser::choose(const std::string& read, const Line& line, const std::string& alternative)
{
    // The line without its blanks, character by character against its symbols.
    std::u32string text = decoded(read), ours, theirs;
    std::vector<size_t> place;
    for (size_t i = 0; i < text.size(); ++i)
        if (!isBlank(text[i])) {
            ours += text[i];
            place.push_back(i);
        }
    for (const char32_t c : decoded(alternative))
        if (!isBlank(c))
            theirs += c;
    if (ours == theirs || ours.size() != line.symbols.size())
        return read;
    for (size_t i = 0; i < ours.size(); ++i)
        if (decoded(line.symbols[i].text) != std::u32string(1, ours[i]))
            return read;
    const auto pairs = substitutions(ours, theirs);
    if (std::none_of(pairs.begin(), pairs.end(), [&](const auto& pair) { return isHan(ours[pair.first]) && isHan(theirs[pair.second]); }))
        return read;
    const Box box{std::max(0, line.box.left), std::max(0, line.box.top), std::min(page_.width, line.box.right),
                  std::min(page_.height, line.box.bottom)};
    if (box.right - box.left < 4 || box.bottom - box.top < 4)
        return read;
    const auto grey = [&](int x, int y) { return page_.grey[size_t(y) * size_t(page_.width) + size_t(x)]; };
    int lightest = 0, darkest = 255;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            lightest = std::max<int>(lightest, grey(x, y));
            darkest = std::min<int>(darkest, grey(x, y));
        }
    constexpr int faintestContrast = 48;
    if (lightest - darkest < faintestContrast)
        return read;
    const int side = squareOf(line, ours, box.bottom - box.top);
    const std::vector<Span> cells = characterCells(box, side, [&](int x, int y) { return grey(x, y) * 2 < lightest + darkest; });
    const std::vector<int> cellOf = matchCells(line.symbols, cells, side);

    // The ink of cell k, as a grid.
    const auto seenIn = [&](size_t k) -> std::optional<HanGlyphs::InkGrid> {
        const Span cell = cells[k];
        const int width = cell.right - cell.left, height = box.bottom - box.top;
        const std::vector<float> ink = inkIn(page_, {cell.left, box.top, cell.right, box.bottom}, lightest, darkest);
        return HanGlyphs::gridOf(ink.data(), width, height, width);
    };

    // How well the ink of a cell matches character c drawn in face `face`, with its grey
    // kept: a serif face's thin horizontals come out of a plain rasteriser as grey
    // hairlines a solid grid drops, where browsers draw them darker, so that in small
    // type 圖 drawn solid is a frame of upright strokes unlike the page's 圖.
    const auto likenessTo = [&](const HanGlyphs::InkGrid& seen, char32_t c, int face) -> std::optional<double> {
        const auto& drawn = HanGlyphs::Renderer::shared().draw(c, seen.inkHeight, face, HanGlyphs::Shading::Graded);
        return drawn ? std::optional<double>(HanGlyphs::likeness(seen, *drawn)) : std::nullopt;
    };
    // The engine's places drift by up to a square along a line, and a run of Latin
    // letters, which it places no better, can leave an ideograph matched to the cell of
    // its neighbour or of a comma: of the matched cell and the ideograph-wide ones
    // beside it, the one that fits best holds it. The cell matched may hold either
    // form; a neighbour only the one read, for the other engine may have read the
    // character beside it there, one place off. And a line is set in one face, serif
    // or sans-serif, whose strokes differ enough in small type to turn the likeness of
    // a character to its two forms around: the forms are drawn in the face the line's
    // cells fit best.
    struct Fit {
        double score = -2.0, lead = 0.0;
    };
    constexpr int nearby = 1;
    const int faces = std::max(1, HanGlyphs::Renderer::shared().faces());
    std::vector<std::vector<std::optional<Fit>>> fits(size_t(faces), std::vector<std::optional<Fit>>(pairs.size()));
    for (size_t p = 0; p < pairs.size(); ++p) {
        const auto [i, j] = pairs[p];
        const int matched = cellOf[i];
        if (!isHan(ours[i]) || !isHan(theirs[j]) || matched < 0)
            continue;
        for (int k = std::max(0, matched - nearby); k <= std::min(int(cells.size()) - 1, matched + nearby); ++k) {
            if ((cells[size_t(k)].right - cells[size_t(k)].left) * 2 < side)
                continue;
            const auto seen = seenIn(size_t(k));
            for (int face = 0; seen && face < faces; ++face) {
                const auto likeOurs = likenessTo(*seen, ours[i], face), likeTheirs = likenessTo(*seen, theirs[j], face);
                if (!likeOurs || !likeTheirs)
                    continue;
                const double score = k == matched ? std::max(*likeOurs, *likeTheirs) : *likeOurs;
                std::optional<Fit>& fit = fits[size_t(face)][p];
                if (!fit || score > fit->score)
                    fit = Fit{score, *likeOurs - *likeTheirs};
            }
        }
    }
    const auto totalFit = [&](int face) {
        double total = 0;
        for (const auto& fit : fits[size_t(face)])
            total += fit ? fit->score : 0.0;
        return total;
    };
    int face = 0;
    for (int other = 1; other < faces; ++other)
        if (totalFit(other) > totalFit(face))
            face = other;

    std::vector<std::optional<double>> leads;
    int settledOurs = 0, settledTheirs = 0;
    constexpr double margin = 0.04;
    for (const auto& fit : fits[size_t(face)]) {
        const std::optional<double> lead = fit ? std::optional<double>(fit->lead) : std::nullopt;
        settledOurs += lead && *lead > margin;
        settledTheirs += lead && *lead < -margin;
        leads.push_back(lead);
    }
    // A line is written in one script but for a word or two, and the likeness of one
    // small character to its two forms is a rough measure: a character leaves the
    // script the line's other characters settled on only when its ink says so clearly,
    // the more clearly the more one-sided the line is.
    const int settled = settledOurs + settledTheirs;
    const double oneSided = settled > 0 ? double(std::abs(settledOurs - settledTheirs)) / settled : 0.0;
    const double againstTheLine = margin + 0.3 * oneSided;
    const double lean = settledTheirs > settledOurs ? -againstTheLine : settledOurs > settledTheirs ? againstTheLine : 0.0;
    // Where a cell near the symbol's shows one of the two forms as a screen draws it, all
    // but pixel for pixel, that is the character drawn, whatever the line's script. The
    // engine's places drift by up to a square, and a cell beside the matched one may
    // hold the same character (来 and 來 a word apart): a cell is taken only where the
    // cell beside it shows the character beside it in the line too, which ties it to
    // this place, or, with no ideograph beside it to tell, where it is the matched one.
    DrawnCells drawn(page_, box, side, cells, lightest, darkest);
    const auto sameOrOther = [&](size_t i) {
        std::u32string characters(1, ours[i]);
        for (const auto& [at, other] : pairs)
            if (at == i && isHan(theirs[other]))
                characters += theirs[other];
        return characters;
    };
    const auto tiedToItsPlace = [&](int k, size_t i) -> std::optional<bool> {
        for (const int side : {-1, 1}) {
            const long beside = long(i) + side;
            if (beside < 0 || size_t(beside) >= ours.size() || !isHan(ours[size_t(beside)]) || k + side < 0
                || k + side >= int(cells.size()))
                continue;
            for (const char32_t c : sameOrOther(size_t(beside)))
                if (drawn.showsExactly(k + side, c))
                    return true;
            return false;
        }
        return std::nullopt;
    };
    const auto shownExactly = [&](size_t i, size_t j) -> std::optional<bool> {
        const int matched = cellOf[i];
        if (matched < 0)
            return std::nullopt;
        for (const int k : {matched, matched - 1, matched + 1}) {
            const std::optional<bool> verdict = drawn.whichOf(k, ours[i], theirs[j]);
            if (!verdict)
                continue;
            if (tiedToItsPlace(k, i).value_or(k == matched))
                return verdict;
        }
        return std::nullopt;
    };
    // Where the two engines read a character as two that are not each other's forms
    // (號 and 呈 for 号), one of them often read the right character in its own script:
    // the other script's form of each is held against the cell too, and taken where the
    // cell shows it as a screen draws it and neither reading so. (The grids' likeness is
    // no judge here: in small type it ranks a third character above both readings about
    // as often wrongly as rightly.)
    const auto formNeitherRead = [&](size_t i, size_t j) -> std::optional<char32_t> {
        const int matched = cellOf[i];
        if (matched < 0 || HanVariantPairs::arePair(ours[i], theirs[j]))
            return std::nullopt;
        std::u32string forms;
        for (const char32_t c : HanVariantPairs::counterparts(ours[i]) + HanVariantPairs::counterparts(theirs[j]))
            if (c != ours[i] && c != theirs[j] && forms.find(c) == std::u32string::npos)
                forms += c;
        if (forms.empty())
            return std::nullopt;
        const auto readOnes = {ours[i], theirs[j]};
        for (const char32_t form : forms) {
            const auto share = drawn.unexplained(matched, form);
            if (!share || *share > exactlyDrawn)
                continue;
            if (std::all_of(readOnes.begin(), readOnes.end(), [&](char32_t read) {
                    const auto other = drawn.unexplained(matched, read);
                    return !other || *other >= *share * severalTimesWorse;
                }))
                return form;
        }
        return std::nullopt;
    };
    // Which of the two readings the line's cells side with where they show a form as a
    // screen draws it: where they settle two pairs or more and all for one reading, the
    // rest of the line keeps to that reading. The likeness leads that weigh the rest
    // are rough (a character shown exactly in one form may lean as far the other way
    // as any). The readings, not the scripts, are counted: many characters are written
    // alike in both scripts and still have a form of the other one (果 and 菓).
    std::vector<std::optional<bool>> shown(pairs.size());
    int shownOurs = 0, shownTheirs = 0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const auto [i, j] = pairs[k];
        if (!isHan(ours[i]) || !isHan(theirs[j]))
            continue;
        shown[k] = shownExactly(i, j);
        if (shown[k] && HanVariantPairs::arePair(ours[i], theirs[j]))
            ++(*shown[k] ? shownOurs : shownTheirs);
    }
    const std::optional<bool> lineTakesTheirs = shownOurs + shownTheirs >= 2 && std::min(shownOurs, shownTheirs) == 0
        ? std::optional<bool>(shownTheirs > 0)
        : std::nullopt;
    // A cell whose ink the line's form leaves several times as much of unexplained as
    // the other form does (a word of the other script quoted in type a little unlike
    // the screen's drawing of it) speaks for itself.
    const auto inkSpeaksAgainst = [&](size_t i, size_t j, bool lineTakesTheirs) {
        if (cellOf[i] < 0)
            return false;
        const auto lines = drawn.unexplained(cellOf[i], lineTakesTheirs ? theirs[j] : ours[i]),
                   other = drawn.unexplained(cellOf[i], lineTakesTheirs ? ours[i] : theirs[j]);
        return lines && other && *lines >= *other * severalTimesWorse;
    };
    for (size_t k = 0; k < pairs.size(); ++k) {
        const auto [i, j] = pairs[k];
        if (!isHan(ours[i]) || !isHan(theirs[j]))
            continue;
        const double lead = leads[k].value_or(0.0);
        bool takeTheirs = lean < 0 ? lead < againstTheLine : lean > 0 ? lead < -againstTheLine : lead < -margin;
        const bool forms = HanVariantPairs::arePair(ours[i], theirs[j]);
        const int most = std::max(shownSimplified_, shownTraditional_), fewest = std::min(shownSimplified_, shownTraditional_);
        if (shown[k]) {
            takeTheirs = !*shown[k];
            if (forms)
                ++(HanVariantPairs::isSimplifiedOf(*shown[k] ? ours[i] : theirs[j], *shown[k] ? theirs[j] : ours[i]) ? shownSimplified_
                                                                                                                      : shownTraditional_);
        } else if (forms && lineTakesTheirs && !inkSpeaksAgainst(i, j, *lineTakesTheirs)) {
            takeTheirs = *lineTakesTheirs;
        } else if (forms && (std::abs(lead) < faintLead || (settled <= 1 && std::abs(lead) < againstTheLine) || lean == 0.0)
                   && most >= pageSettled && most >= fewest * pageOneSided) {
            // A pair whose ink leans no way to speak of, the only one on its line to go
            // by (a field's frame about the line, small serif type), or on a line whose
            // leads pull both ways alike: the script the page's pixels showed elsewhere.
            takeTheirs = HanVariantPairs::isSimplifiedOf(theirs[j], ours[i]) == (shownSimplified_ > shownTraditional_);
        }
        char32_t chosen = takeTheirs ? theirs[j] : ours[i];
        if (const std::optional<char32_t> other = formNeitherRead(i, j))
            chosen = *other;
        text[place[i]] = chosen;
    }
    // An ideograph the other engine read nothing for, or read alike, has no second
    // reading to weigh it against: the other script's form of it is tried all the same,
    // and taken where the cell shows it as a screen draws it and the form read leaves
    // several times as much of the ink unexplained.
    for (size_t i = 0; i < ours.size(); ++i) {
        if (!isHan(ours[i]) || cellOf[i] < 0
            || std::any_of(pairs.begin(), pairs.end(), [&](const auto& pair) { return pair.first == i && isHan(theirs[pair.second]); }))
            continue;
        for (const char32_t form : HanVariantPairs::counterparts(ours[i])) {
            const auto share = drawn.unexplained(cellOf[i], form);
            if (!share || *share > exactlyDrawn)
                continue;
            const auto read = drawn.unexplained(cellOf[i], ours[i]);
            if (read && *read >= *share * severalTimesWorse) {
                text[place[i]] = form;
                break;
            }
        }
    }
    return encoded(text);
}

} // namespace HanVariantChoice
