#include "OcrHelper/BridgedRows.h"

#include "OcrHelper/TableRows.h"

#include <algorithm>

namespace BridgedRows {

using Readings::Box;
using Readings::LineReading;

namespace {

bool sameRow(const Box& a, const Box& b)
{
    const int shared = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return shared * 10 >= std::max(a.bottom - a.top, b.bottom - b.top) * 6;
}

// Whether a ruling line runs across columns [from, to) on a row of [top, bottom).
bool ruledAcross(const RulingLines::Lines& rulings, int from, int to, int top, int bottom)
{
    from = std::max(from, 0);
    to = std::min(to, rulings.width);
    top = std::max(top, 0);
    bottom = std::min(bottom, rulings.height);
    if (to <= from || rulings.ink.size() < size_t(rulings.width) * size_t(rulings.height))
        return false;
    for (int y = top; y < bottom; ++y) {
        const unsigned char* row = rulings.ink.data() + size_t(y) * size_t(rulings.width);
        const auto marked = std::count_if(row + from, row + to, [](unsigned char c) { return c != 0; });
        if (marked * 10 >= std::ptrdiff_t(to - from) * 9)
            return true;
    }
    return false;
}

} // namespace

void join(const std::vector<LineReading>& lines, int lineHeight, std::vector<size_t>& order, std::vector<std::ptrdiff_t>& after,
          const std::vector<bool>& taken, const RulingLines::Lines& rulings)
{
    const size_t n = lines.size();
    // A listing's rows are a line height or two apart; the crossing lines are looked
    // for within a few rows, so that a heading over two columns, or a status line under
    // them, crosses only the rows next to it on one side.
    constexpr int nearestRows = 5; // line heights, from a piece's top to a crossing line's
    constexpr int widestGap = 40;  // line heights between the pieces
    std::vector<bool> continued(n, false);
    for (size_t i = 0; i < n; ++i)
        if (after[i] >= 0)
            continued[size_t(after[i])] = true;
    const auto free = [&](size_t i) {
        return !taken[i] && lines[i].box.bottom - lines[i].box.top <= 2 * lineHeight;
    };
    // Where each line's row runs across: a row already joined crosses the blanks its
    // pieces stood apart by, for the rows next to it.
    std::vector<Box> across(n);
    for (size_t i = 0; i < n; ++i)
        across[i] = lines[i].box;
    std::vector<std::ptrdiff_t> next(n, -1);
    std::vector<bool> joined(n, false);
    for (bool grew = true; grew;) {
        grew = false;
        for (size_t l = 0; l < n; ++l) {
            if (!free(l) || after[l] >= 0 || next[l] >= 0)
                continue;
            const Box& left = lines[l].box;
            // The nearest piece to its right on its row.
            std::ptrdiff_t right = -1;
            for (size_t r = 0; r < n; ++r) {
                const int gap = lines[r].box.left - left.right;
                if (r == l || gap <= 0 || gap > widestGap * lineHeight || !sameRow(left, lines[r].box))
                    continue;
                if (right < 0 || lines[r].box.left < lines[size_t(right)].box.left)
                    right = std::ptrdiff_t(r);
            }
            if (right < 0 || !free(size_t(right)) || continued[size_t(right)] || joined[size_t(right)])
                continue;
            const Box& piece = lines[size_t(right)].box;
            bool crossedAbove = false, crossedBelow = false;
            for (size_t k = 0; k < n; ++k) {
                const Box& other = across[k];
                if (k == l || k == size_t(right) || sameRow(other, left) || other.left > left.right || other.right < piece.left)
                    continue;
                if (other.bottom <= left.top && left.top - other.top <= nearestRows * lineHeight)
                    crossedAbove = true;
                if (other.top >= left.bottom && other.top - left.top <= nearestRows * lineHeight)
                    crossedBelow = true;
            }
            // A cell's ruling lies within half a line height or so of its ink, a row's
            // height from the next row's.
            const int reach = lineHeight * 3 / 2;
            const bool ruled = ruledAcross(rulings, left.right, piece.left, std::min(left.top, piece.top) - reach, std::min(left.top, piece.top))
                && ruledAcross(rulings, left.right, piece.left, std::max(left.bottom, piece.bottom), std::max(left.bottom, piece.bottom) + reach);
            if (!(crossedAbove && crossedBelow) && !ruled)
                continue;
            next[l] = right;
            joined[size_t(right)] = true;
            across[l] = {left.left, std::min(left.top, piece.top), std::max(left.right, piece.right), std::max(left.bottom, piece.bottom)};
            grew = true;
        }
    }
    // Each piece continues one row at most (`joined`); a row of three pieces is a chain.
    std::vector<bool> written(n, false);
    for (size_t l = 0; l < n; ++l)
        if (next[l] >= 0) {
            after[l] = next[l];
            written[size_t(next[l])] = true;
        }
    // The row where its first piece stood, or its later one, whichever the layout had first.
    TableRows::writeRowsWhereTheyBegin(order, after, written);
}

} // namespace BridgedRows
