#include "OcrHelper/TableRows.h"

#include "OcrHelper/HanText.h"

#include <algorithm>
#include <cstdlib>

namespace TableRows {

using Readings::Box;
using Readings::LineReading;

namespace {

// A table's cell: a few words at most.
bool isShort(const std::string& text)
{
    constexpr std::ptrdiff_t mostWords = 3;
    return !text.empty() && std::count(text.begin(), text.end(), ' ') < mostWords;
}

// A figure: one word of digits and the signs that go with them, with a unit of one
// character at most ("$2.50", "7999元", "+14.9%", "1,284", "2024年"); not a line of words
// with a number in it ("build 2 ok").
bool isFigure(const std::string& text)
{
    static const std::u32string signs = U"+-\u2212.,:/%\u2030$\u00A5\u20AC\u00A3\uFFE5";
    int digits = 0, others = 0;
    HanText::forEachCharacter(text, [&](char32_t c) {
        if (c >= U'0' && c <= U'9')
            ++digits;
        else if (signs.find(c) == std::u32string::npos)
            ++others;
    });
    return digits > 0 && others <= 1;
}

bool sameRow(const Box& a, const Box& b)
{
    const int shared = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return shared * 10 >= std::min(a.bottom - a.top, b.bottom - b.top) * 6;
}

} // namespace

std::vector<std::ptrdiff_t> joinRows(const std::vector<LineReading>& lines, int lineHeight, std::vector<size_t>& order,
                                     const std::vector<bool>& left)
{
    const size_t n = lines.size();
    std::vector<std::ptrdiff_t> next(n, -1);
    // Each short line's row: the nearest line to its left on it, within a wide gap.
    constexpr int widestGap = 40; // line heights between a table's columns (a menu across a wide page)
    std::vector<std::ptrdiff_t> rowOf(n, -1);
    for (size_t c = 0; c < n; ++c) {
        if (left[c] || !isShort(lines[c].text))
            continue;
        for (size_t k = 0; k < n; ++k) {
            const int gap = lines[c].box.left - lines[k].box.right;
            if (k == c || left[k] || gap <= 0 || gap > widestGap * lineHeight || !sameRow(lines[c].box, lines[k].box))
                continue;
            if (rowOf[c] < 0 || lines[k].box.right > lines[size_t(rowOf[c])].box.right)
                rowOf[c] = std::ptrdiff_t(k);
        }
    }
    // A column: the cells whose left, or right, edges are in line with a figure's.
    const auto inLine = [&](size_t a, size_t b) {
        return std::abs(lines[a].box.left - lines[b].box.left) <= lineHeight / 2
            || std::abs(lines[a].box.right - lines[b].box.right) <= lineHeight / 2;
    };
    constexpr std::ptrdiff_t fewestFigures = 3;
    std::vector<bool> cell(n, false);
    for (size_t c = 0; c < n; ++c) {
        if (rowOf[c] < 0 || !isFigure(lines[c].text))
            continue;
        std::vector<size_t> column;
        for (size_t k = 0; k < n; ++k)
            if (rowOf[k] >= 0 && inLine(c, k))
                column.push_back(k);
        const auto figures = std::count_if(column.begin(), column.end(), [&](size_t k) { return isFigure(lines[k].text); });
        if (figures >= fewestFigures)
            for (const size_t k : column)
                cell[k] = true;
    }
    for (size_t c = 0; c < n; ++c)
        if (cell[c] && next[size_t(rowOf[c])] < 0)
            next[size_t(rowOf[c])] = std::ptrdiff_t(c);
    std::vector<bool> written(n, false);
    for (size_t i = 0; i < n; ++i)
        if (next[i] >= 0)
            written[size_t(next[i])] = true;
    // A row's first cell may stand after its later ones in the layout's order (cells
    // joined in a chain are written with the first).
    order.erase(std::remove_if(order.begin(), order.end(), [&](size_t i) { return written[i]; }), order.end());
    return next;
}

} // namespace TableRows
