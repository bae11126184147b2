#include "OcrHelper/TableRows.h"

#include "OcrHelper/HanText.h"

#include <algorithm>
#include <cctype>
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

// Figures alone, one or a few side by side ("$2.50", "¥18.22  ¥18.22", an invoice's
// "£582.50 20% — £10,485.00"): a lone mark between them (a dash, a stray speck read as
// "©") is no word.
bool figuresOnly(const std::string& text)
{
    bool any = false;
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find(' ', from), text.size());
        if (end > from) {
            const std::string word = text.substr(from, end - from);
            int characters = 0;
            bool alphanumeric = false;
            HanText::forEachCharacter(word, [&](char32_t c) {
                ++characters;
                alphanumeric = alphanumeric || c >= 0x3000 || (c < 0x80 && std::isalnum(int(c)));
            });
            const bool mark = characters == 1 && !alphanumeric;
            if (!mark && !isFigure(word))
                return false;
            any = any || !mark;
        }
        from = end + 1;
    }
    return any;
}

// What a table's cell holds: a few words, or figures side by side.
bool isCell(const std::string& text) { return isShort(text) || figuresOnly(text); }

// Whether a line's left edge is in line with another's.
bool leftInLine(const Box& a, const Box& b, int lineHeight) { return std::abs(a.left - b.left) <= lineHeight / 2; }

bool sameRow(const Box& a, const Box& b)
{
    const int shared = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return shared * 10 >= std::min(a.bottom - a.top, b.bottom - b.top) * 6;
}

} // namespace

void writeRowsWhereTheyBegin(std::vector<size_t>& order, const std::vector<std::ptrdiff_t>& next, const std::vector<bool>& written)
{
    const size_t n = next.size();
    std::vector<size_t> place(n, n);
    for (size_t k = 0; k < order.size(); ++k)
        place[order[k]] = k;
    std::vector<size_t> key(place);
    for (size_t i = 0; i < n; ++i)
        if (!written[i])
            for (std::ptrdiff_t c = next[i]; c >= 0; c = next[size_t(c)])
                key[i] = std::min(key[i], place[size_t(c)]);
    order.erase(std::remove_if(order.begin(), order.end(), [&](size_t i) { return written[i]; }), order.end());
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key[a] < key[b]; });
}

std::vector<std::ptrdiff_t> joinRows(const std::vector<LineReading>& lines, int lineHeight, std::vector<size_t>& order,
                                     const std::vector<bool>& left)
{
    const size_t n = lines.size();
    std::vector<std::ptrdiff_t> next(n, -1);
    // Each short line's row: the nearest line to its left on it, within a wide gap.
    constexpr int widestGap = 40; // line heights between a table's columns (a menu across a wide page)
    // A column the layout read as one line (a spreadsheet's row numbers, their digits
    // one above the other made into letters) stands on every row and is none of them.
    const auto tall = [&](size_t k) { return lines[k].box.bottom - lines[k].box.top > 4 * lineHeight; };
    std::vector<std::ptrdiff_t> rowOf(n, -1);
    for (size_t c = 0; c < n; ++c) {
        if (left[c] || tall(c))
            continue;
        for (size_t k = 0; k < n; ++k) {
            const int gap = lines[c].box.left - lines[k].box.right;
            if (k == c || left[k] || tall(k) || gap <= 0 || gap > widestGap * lineHeight || !sameRow(lines[c].box, lines[k].box))
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
    const auto hasRow = [&](size_t k) { return rowOf[k] >= 0 && isCell(lines[k].text); };
    // A column's longer entry (a value of several figures and units, left-aligned with
    // the others): a line of one row with a line left of it on its row.
    const auto longEntry = [&](size_t k) { return rowOf[k] >= 0 && lines[k].box.bottom - lines[k].box.top <= 2 * lineHeight; };
    for (size_t c = 0; c < n; ++c) {
        if (!hasRow(c) || !figuresOnly(lines[c].text))
            continue;
        std::vector<size_t> column;
        for (size_t k = 0; k < n; ++k)
            if (hasRow(k) && inLine(c, k))
                column.push_back(k);
        const auto figures = std::count_if(column.begin(), column.end(), [&](size_t k) { return figuresOnly(lines[k].text); });
        if (figures < fewestFigures)
            continue;
        for (const size_t k : column)
            cell[k] = true;
        for (size_t k = 0; k < n; ++k)
            cell[k] = cell[k] || (longEntry(k) && leftInLine(lines[c].box, lines[k].box, lineHeight));
    }
    // A table of words (a spec sheet's labels in two languages, a dialog's labels and
    // their values): a column of short cells, their left edges in line, each beside a
    // short cell on its row. It takes more rows than a column of figures does; lines
    // of prose or commands beside each other are no cells. Once a column is one, its
    // longer entries are its cells too.
    constexpr std::ptrdiff_t fewestLabels = 4;
    const auto labelled = [&](size_t k) { return hasRow(k) && isShort(lines[k].text) && isShort(lines[size_t(rowOf[k])].text); };
    for (size_t c = 0; c < n; ++c) {
        if (cell[c] || !labelled(c))
            continue;
        const auto rows = std::count_if(lines.begin(), lines.end(), [&](const LineReading& other) {
            const size_t k = size_t(&other - lines.data());
            return labelled(k) && leftInLine(lines[c].box, other.box, lineHeight);
        });
        if (rows < fewestLabels)
            continue;
        for (size_t k = 0; k < n; ++k)
            cell[k] = cell[k] || (longEntry(k) && leftInLine(lines[c].box, lines[k].box, lineHeight));
    }
    // A piece between a row's start and a cell of it (an invoice's quantity, in a column
    // too sparse to count) is a cell of the row too.
    for (size_t c = 0; c < n; ++c)
        for (std::ptrdiff_t k = cell[c] ? rowOf[c] : -1; k >= 0 && !cell[size_t(k)] && hasRow(size_t(k)); k = rowOf[size_t(k)])
            cell[size_t(k)] = true;
    for (size_t c = 0; c < n; ++c)
        if (cell[c] && next[size_t(rowOf[c])] < 0)
            next[size_t(rowOf[c])] = std::ptrdiff_t(c);
    std::vector<bool> written(n, false);
    for (size_t i = 0; i < n; ++i)
        if (next[i] >= 0)
            written[size_t(next[i])] = true;
    // A row's first cell may stand after its later ones in the layout's order (cells
    // joined in a chain are written with the first): the row is written where the
    // first of its cells stood, ahead of a line the layout had below the table but
    // before the column of names.
    writeRowsWhereTheyBegin(order, next, written);
    // The table's rows, and the cells of its columns left without a row (a name the
    // engines lost), are written down the page: the layout had the rows where it had
    // their first cells, a column of figures before the names, a column of names after
    // it.
    std::vector<bool> ofTable(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (written[i] || left[i] || tall(i))
            continue;
        ofTable[i] = next[i] >= 0;
        for (size_t k = 0; k < n && !ofTable[i]; ++k)
            ofTable[i] = cell[k] && rowOf[i] < 0 && isShort(lines[i].text) && figuresOnly(lines[i].text) && inLine(i, k);
    }
    std::vector<size_t> slots, rows;
    for (size_t place = 0; place < order.size(); ++place)
        if (ofTable[order[place]]) {
            slots.push_back(place);
            rows.push_back(order[place]);
        }
    std::stable_sort(rows.begin(), rows.end(), [&](size_t a, size_t b) { return lines[a].box.top < lines[b].box.top; });
    for (size_t k = 0; k < slots.size(); ++k)
        order[slots[k]] = rows[k];
    return next;
}

} // namespace TableRows
