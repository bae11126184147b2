#include "OcrHelper/ColumnGutters.h"

#include <algorithm>
#include <optional>

namespace ColumnGutters {

using Readings::Box;
using Readings::LineReading;
using Readings::WordReading;

namespace {

// A gutter is wider than two line heights: wider than any space, and than the blanks a
// justified line stretches.
constexpr int gutterHeights = 2;
// The lines it is looked for on: those within this many line heights above or below.
constexpr int neighbourhoodHeights = 8;

struct Gap {
    size_t after = 0; // the word before it
    int left = 0, right = 0;
};

int heightOf(const Box& box) { return box.bottom - box.top; }

// The line's widest gap between two of its words, if it is wide enough for a gutter.
std::optional<Gap> widestGap(const LineReading& line)
{
    std::optional<Gap> widest;
    for (size_t k = 1; k < line.words.size(); ++k) {
        const int left = line.words[k - 1].box.right, right = line.words[k].box.left;
        if (right - left >= gutterHeights * heightOf(line.box) && (!widest || right - left > widest->right - widest->left))
            widest = Gap{k - 1, left, right};
    }
    return widest;
}

LineReading piece(const LineReading& line, size_t from, size_t to)
{
    LineReading out;
    out.confidence = line.confidence;
    out.words.assign(line.words.begin() + std::ptrdiff_t(from), line.words.begin() + std::ptrdiff_t(to));
    out.box = out.words.front().box;
    for (const WordReading& word : out.words) {
        out.text += (out.text.empty() ? "" : " ") + word.text;
        out.box = {std::min(out.box.left, word.box.left), std::min(out.box.top, word.box.top), std::max(out.box.right, word.box.right),
                   std::max(out.box.bottom, word.box.bottom)};
    }
    for (const HanVariantChoice::Symbol& symbol : line.characters.symbols) {
        const int middle = (symbol.box.left + symbol.box.right) / 2;
        if (middle >= out.box.left && middle <= out.box.right)
            out.characters.symbols.push_back(symbol);
    }
    out.characters.box = {out.box.left, out.box.top, out.box.right, out.box.bottom};
    return out;
}

} // namespace

void splitAtGutters(std::vector<LineReading>& lines)
{
    std::vector<std::optional<Gap>> gaps;
    for (const LineReading& line : lines)
        gaps.push_back(widestGap(line));
    std::vector<LineReading> right;
    std::vector<LineReading> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::optional<Gap>& gap = gaps[i];
        if (!gap) {
            out.push_back(lines[i]);
            continue;
        }
        const int middle = (gap->left + gap->right) / 2, reach = neighbourhoodHeights * heightOf(lines[i].box);
        const int slack = heightOf(lines[i].box);
        bool crossed = false, alone = false;
        for (size_t k = 0; k < lines.size(); ++k) {
            const Box& other = lines[k].box;
            if (k == i || other.bottom < lines[i].box.top - reach || other.top > lines[i].box.bottom + reach)
                continue;
            // Text running across the gutter right above or below: the gap is a blank of
            // this line alone. (A title bar across both columns stands further off.)
            const bool gapHere = gaps[k] && gaps[k]->left < middle && middle < gaps[k]->right;
            const bool next = other.top - lines[i].box.bottom < slack && lines[i].box.top - other.bottom < slack;
            crossed = crossed || (next && other.left < middle && middle < other.right && !gapHere);
            // A line of the right-hand column alone, starting at the gutter's far side
            // (the main pane's wrapped line): no table row is.
            alone = alone || (!gaps[k] && std::abs(other.left - gap->right) <= slack);
        }
        if (crossed || !alone) {
            out.push_back(lines[i]);
            continue;
        }
        out.push_back(piece(lines[i], 0, gap->after + 1));
        right.push_back(piece(lines[i], gap->after + 1, lines[i].words.size()));
    }
    out.insert(out.end(), right.begin(), right.end());
    lines = std::move(out);
}

} // namespace ColumnGutters
