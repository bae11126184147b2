#include "OcrHelper/ReadingOrder.h"

#include "OcrHelper/BridgedRows.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/TableRows.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <numeric>

namespace ReadingOrder {

using Readings::Box;
using Readings::LineReading;

namespace {

int shared(int firstStart, int firstEnd, int secondStart, int secondEnd)
{
    return std::min(firstEnd, secondEnd) - std::max(firstStart, secondStart);
}

size_t root(std::vector<size_t>& parent, size_t i)
{
    while (parent[i] != i)
        i = parent[i] = parent[parent[i]];
    return i;
}

// The character width of a column's lines where they are set in a monospaced face, and
// zero where they are not. Within a word, each character starts one width after the one
// before it; the engine's boxes are its characters' ink, a pixel or two off the cell
// either way, so each word's span over its characters measures the width, and a
// monospaced column's words nearly all agree on it. A proportional face's words, of
// narrow and wide letters, do not.
double monospacedPitch(const std::vector<LineReading>& lines, const std::vector<size_t>& column)
{
    constexpr size_t shortestWord = 4; // characters: a span over fewer says too little
    std::vector<double> widths;
    for (const size_t i : column) {
        const auto& symbols = lines[i].characters.symbols;
        const int height = lines[i].box.bottom - lines[i].box.top;
        size_t start = 0;
        for (size_t k = 1; k <= symbols.size(); ++k) {
            const bool blank = k == symbols.size() || symbols[k].box.left - symbols[k - 1].box.right >= height / 3
                || symbols[k].box.left <= symbols[k - 1].box.left;
            if (!blank)
                continue;
            if (k - start >= shortestWord)
                widths.push_back(double(symbols[k - 1].box.left - symbols[start].box.left) / double(k - 1 - start));
            start = k;
        }
    }
    constexpr size_t fewestWords = 6;
    if (widths.size() < fewestWords)
        return 0.0;
    std::nth_element(widths.begin(), widths.begin() + std::ptrdiff_t(widths.size() / 2), widths.end());
    const double pitch = widths[widths.size() / 2];
    const auto agree = std::count_if(widths.begin(), widths.end(), [&](double width) { return std::abs(width - pitch) <= pitch * 0.08; });
    return pitch > 0.0 && agree * 10 >= std::ptrdiff_t(widths.size()) * 8 ? pitch : 0.0;
}

bool isNumber(const std::string& text)
{
    constexpr size_t longest = 5;
    return !text.empty() && text.size() <= longest && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What a gutter holds on a row: a line number, or a diff's two (the old file's and the
// new one's, read as one line where they stand close), or a number and the diff's "+"
// or "-" after it.
bool isLineNumber(const std::string& text)
{
    std::vector<std::string> words;
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find(' ', from), text.size());
        if (end > from)
            words.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    if (!words.empty() && words.size() <= 3 && (words.back() == "+" || words.back() == "-"))
        words.pop_back();
    return !words.empty() && words.size() <= 2 && std::all_of(words.begin(), words.end(), isNumber);
}

// A word the engine may have made of a gutter's number: a few characters, no blank,
// a digit or a letter among them ("1g", "a2", "#22").
bool isMisreadNumber(const std::string& text)
{
    constexpr size_t longest = 5;
    return !text.empty() && text.size() <= longest && text.find(' ') == std::string::npos
        && std::any_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// Numbers of a gutter written with the code on their rows; the rest of the gutter's
// numbers moved to their rows' places in the code's order.
void joinGutterNumbers(const std::vector<LineReading>& lines, int lineHeight, Layout& out)
{
    const size_t n = lines.size();
    out.number.assign(n, -1);
    out.secondNumber.assign(n, -1);
    const auto sameRow = [](const Box& a, const Box& b) {
        return shared(a.top, a.bottom, b.top, b.bottom) * 10 >= std::min(a.bottom - a.top, b.bottom - b.top) * 6;
    };
    constexpr int widestGutterGap = 16; // line heights from a number to the code it numbers
    std::vector<std::ptrdiff_t> codeOf(n, -1);
    std::vector<size_t> gutter;
    for (size_t i = 0; i < n; ++i) {
        if (!isLineNumber(lines[i].text))
            continue;
        gutter.push_back(i);
        for (size_t k = 0; k < n; ++k) {
            const int gap = lines[k].box.left - lines[i].box.right;
            if (k == i || isLineNumber(lines[k].text) || gap <= 0 || gap > widestGutterGap * lineHeight || !sameRow(lines[i].box, lines[k].box))
                continue;
            if (codeOf[i] < 0 || lines[k].box.left < lines[size_t(codeOf[i])].box.left)
                codeOf[i] = std::ptrdiff_t(k);
        }
    }
    // The numbers with code on their rows, in a column: right-aligned or left-aligned.
    std::vector<size_t> numbered;
    for (const size_t i : gutter)
        if (codeOf[i] >= 0)
            numbered.push_back(i);
    // The most of them in line with one of them (a diff's second gutter beside the
    // first has numbers of its own).
    const auto aligned = [&](bool right) {
        std::ptrdiff_t most = 0;
        for (const size_t k : numbered)
            most = std::max(most, std::count_if(numbered.begin(), numbered.end(), [&](size_t i) {
                return std::abs((right ? lines[i].box.right : lines[i].box.left) - (right ? lines[k].box.right : lines[k].box.left)) <= lineHeight;
            }));
        return most;
    };
    constexpr std::ptrdiff_t fewestNumbered = 3;
    if (numbered.empty() || std::max(aligned(true), aligned(false)) < fewestNumbered)
        return;
    int gutterRight = lines[numbered[0]].box.right, gutterLeft = lines[numbered[0]].box.left;
    for (const size_t i : numbered) {
        gutterRight = std::max(gutterRight, lines[i].box.right);
        gutterLeft = std::min(gutterLeft, lines[i].box.left);
    }
    std::vector<bool> inGutter(n, false);
    const auto withinGutter = [&](size_t i) { return lines[i].box.left >= gutterLeft - lineHeight && lines[i].box.right <= gutterRight + lineHeight; };
    for (const size_t i : gutter)
        inGutter[i] = withinGutter(i);
    // A short word in the gutter is a number misread ("1g", "a2"); what is right of the
    // gutter on a row is its code, not the diff's second number.
    for (size_t i = 0; i < n; ++i)
        if (!inGutter[i] && withinGutter(i) && isMisreadNumber(lines[i].text)) {
            inGutter[i] = true;
            gutter.push_back(i);
        }
    std::sort(gutter.begin(), gutter.end(), [&](size_t a, size_t b) { return lines[a].box.left < lines[b].box.left; });
    for (const size_t i : gutter) {
        if (!inGutter[i])
            continue;
        codeOf[i] = -1;
        for (size_t k = 0; k < n; ++k) {
            const int gap = lines[k].box.left - lines[i].box.right;
            if (k == i || inGutter[k] || isLineNumber(lines[k].text) || gap <= 0 || gap > widestGutterGap * lineHeight
                || !sameRow(lines[i].box, lines[k].box))
                continue;
            if (codeOf[i] < 0 || lines[k].box.left < lines[size_t(codeOf[i])].box.left)
                codeOf[i] = std::ptrdiff_t(k);
        }
    }
    // Left to right: a row's first number, then the diff's second; a third stays a line
    // of its own.
    for (const size_t i : gutter) {
        if (!inGutter[i] || codeOf[i] < 0)
            continue;
        const size_t code = size_t(codeOf[i]);
        if (out.number[code] < 0)
            out.number[code] = std::ptrdiff_t(i);
        else if (out.secondNumber[code] < 0)
            out.secondNumber[code] = std::ptrdiff_t(i);
        else
            codeOf[i] = -1;
    }
    std::vector<size_t> order;
    for (const size_t i : out.order)
        if (!inGutter[i])
            order.push_back(i);
    for (const size_t i : out.order) {
        if (!inGutter[i] || codeOf[i] >= 0)
            continue;
        const auto below = std::find_if(order.begin(), order.end(), [&](size_t k) {
            // A line the layout joined to the number on its row starts in the gutter.
            return lines[k].box.right > gutterRight + lineHeight && lines[k].box.top > lines[i].box.top;
        });
        order.insert(below, i);
    }
    out.order = std::move(order);
}

// Pieces of one row the layout handed one after the other, right to left (a dialog's
// buttons, a label after its value), are one line, left to right: each piece after the
// one left of it, a blank between. Not a gutter's number, a table's row (its
// cells are joined already), nor a line as tall as several rows.
void joinRowPieces(const std::vector<LineReading>& lines, int lineHeight, const std::vector<bool>& numbers, Layout& out)
{
    const auto sameRow = [](const Box& a, const Box& b) {
        return shared(a.top, a.bottom, b.top, b.bottom) * 10 >= std::max(a.bottom - a.top, b.bottom - b.top) * 6;
    };
    const auto alone = [&](size_t i) {
        return !numbers[i] && out.number[i] < 0 && out.after[i] < 0 && lines[i].box.bottom - lines[i].box.top <= 2 * lineHeight;
    };
    std::vector<size_t> order;
    for (size_t p = 0; p < out.order.size();) {
        std::vector<size_t> row{out.order[p]};
        size_t q = p + 1;
        const auto apart = [&](size_t k) {
            return std::all_of(row.begin(), row.end(), [&](size_t r) { return shared(lines[r].box.left, lines[r].box.right, lines[k].box.left, lines[k].box.right) < 0; });
        };
        while (alone(row.front()) && q < out.order.size() && alone(out.order[q]) && sameRow(lines[row.front()].box, lines[out.order[q]].box)
               && apart(out.order[q]))
            row.push_back(out.order[q++]);
        // Only where the layout had the row right to left: pieces it handed left to
        // right (a number beside a paragraph, a sidebar's count) it may mean apart.
        bool backwards = false;
        for (size_t k = 0; k + 1 < row.size(); ++k)
            backwards = backwards || lines[row[k + 1]].box.right <= lines[row[k]].box.left;
        if (!backwards)
            row.resize(1), q = p + 1;
        std::sort(row.begin(), row.end(), [&](size_t a, size_t b) { return lines[a].box.left < lines[b].box.left; });
        for (size_t k = 0; k + 1 < row.size(); ++k)
            out.after[row[k]] = std::ptrdiff_t(row[k + 1]);
        order.push_back(row.front());
        p = q;
    }
    out.order = std::move(order);
}

// A listing's line that starts with its gutter number, cut by the layout at a run of
// blanks or a mark it read nothing of: the rest, close to its right on its row, is the
// same line wherever the layout put it; a listing has no columns beside its code.
void joinRestsOfNumberedLines(const std::vector<LineReading>& lines, int lineHeight, const std::vector<bool>& numbers, Layout& out)
{
    const size_t n = lines.size();
    constexpr int widestCut = 4; // line heights between the line and its rest
    const auto sameRow = [](const Box& a, const Box& b) {
        return shared(a.top, a.bottom, b.top, b.bottom) * 10 >= std::max(a.bottom - a.top, b.bottom - b.top) * 6;
    };
    std::vector<bool> written(n, false);
    for (size_t i = 0; i < n; ++i)
        if (out.after[i] >= 0)
            written[size_t(out.after[i])] = true;
    bool joined = false;
    for (size_t i = 0; i < n; ++i) {
        if (out.number[i] < 0 || written[i])
            continue;
        size_t end = i;
        while (out.after[end] >= 0)
            end = size_t(out.after[end]);
        std::ptrdiff_t rest = -1;
        for (size_t k = 0; k < n; ++k) {
            const int gap = lines[k].box.left - lines[end].box.right;
            if (k == i || k == end || gap <= 0 || gap > widestCut * lineHeight || !sameRow(lines[end].box, lines[k].box))
                continue;
            if (rest < 0 || lines[k].box.left < lines[size_t(rest)].box.left)
                rest = std::ptrdiff_t(k);
        }
        if (rest < 0)
            continue;
        const size_t r = size_t(rest);
        if (numbers[r] || out.number[r] >= 0 || written[r] || lines[r].box.bottom - lines[r].box.top > 2 * lineHeight)
            continue;
        out.after[end] = rest;
        written[r] = joined = true;
    }
    if (joined)
        out.order.erase(std::remove_if(out.order.begin(), out.order.end(), [&](size_t k) { return written[k]; }), out.order.end());
}

} // namespace

Layout layout(const std::vector<LineReading>& lines, const RulingLines::Lines& rulings)
{
    Layout out;
    const size_t n = lines.size();
    out.indent.assign(n, 0);
    std::vector<int> heights;
    for (const LineReading& line : lines)
        heights.push_back(line.box.bottom - line.box.top);
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(n / 2), heights.end());
    const int lineHeight = n > 0 ? std::max(1, heights[n / 2]) : 1;
    // `first` stands above `second` in one column: over it, sharing some of its width,
    // and sharing less than a third of the lower of the two down the page.
    const auto above = [&](const Box& first, const Box& second) {
        const int lower = std::min(first.bottom - first.top, second.bottom - second.top);
        return first.top < second.top && shared(first.top, first.bottom, second.top, second.bottom) * 3 < lower
            && shared(first.left, first.right, second.left, second.right) > 0;
    };
    // Each line after the lines above it in its column; otherwise as the layout had them.
    std::vector<std::vector<size_t>> below(n);
    std::vector<int> waiting(n, 0);
    std::vector<size_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t a = 0; a < n; ++a)
        for (size_t b = 0; b < n; ++b)
            if (a != b && above(lines[a].box, lines[b].box)) {
                below[a].push_back(b);
                ++waiting[b];
                parent[root(parent, a)] = root(parent, b);
            }
    std::vector<bool> placed(n, false);
    const bool pulledUp = RuleSwitches::on(RuleSwitches::Rule::linesPulledUp);
    for (size_t count = 0; count < n; ++count) {
        size_t next = n;
        if (pulledUp) {
            // The first line not written yet keeps its place: the lines above it in its
            // column it waits for come right before it, rather than the lines the
            // layout put after it. The layout hands a line it first lost (a dialog's
            // field read as a block of its own) at the end, after the buttons below
            // the fields.
            for (size_t i = 0; i < n && next == n; ++i)
                if (!placed[i])
                    next = i;
            for (size_t steps = 0; next < n && waiting[next] > 0 && steps < n; ++steps) {
                size_t up = n;
                for (size_t i = 0; i < n && up == n; ++i)
                    if (!placed[i] && i != next && above(lines[i].box, lines[next].box))
                        up = i;
                if (up == n)
                    break;
                next = up;
            }
            if (next < n && waiting[next] > 0)
                next = n;
        }
        for (size_t i = 0; i < n && next == n; ++i)
            if (!placed[i] && waiting[i] == 0)
                next = i;
        // Lines each above another cannot be (the relation goes down the page); should
        // rounding make it so, the layout's order stands for the rest.
        if (next == n)
            for (size_t i = 0; i < n && next == n; ++i)
                if (!placed[i])
                    next = i;
        placed[next] = true;
        out.order.push_back(next);
        for (const size_t b : below[next])
            --waiting[b];
    }
    // Indentation, column by column: from the leftmost start near a line's own, within
    // the widest indentation a listing has (a dozen line heights), so that a column
    // beside another, joined to it by a line across both, keeps its own left edge.
    std::map<size_t, std::vector<size_t>> columns;
    for (size_t i = 0; i < n; ++i)
        columns[root(parent, i)].push_back(i);
    constexpr int widestIndent = 12;
    for (const auto& [column, members] : columns) {
        if (members.size() < 2)
            continue;
        const double pitch = monospacedPitch(lines, members);
        if (pitch <= 0.0)
            continue;
        for (const size_t i : members) {
            int left = lines[i].box.left;
            for (const size_t k : members)
                if (lines[k].box.left < left && lines[i].box.left - lines[k].box.left <= widestIndent * lineHeight)
                    left = lines[k].box.left;
            out.indent[i] = int(std::lround((lines[i].box.left - left) / pitch));
        }
    }
    if (RuleSwitches::on(RuleSwitches::Rule::gutterNumbers))
        joinGutterNumbers(lines, lineHeight, out);
    else {
        out.number.assign(n, -1);
        out.secondNumber.assign(n, -1);
    }
    std::vector<bool> numbers(n, false);
    for (const std::ptrdiff_t number : out.number)
        if (number >= 0)
            numbers[size_t(number)] = true;
    for (const std::ptrdiff_t number : out.secondNumber)
        if (number >= 0)
            numbers[size_t(number)] = true;
    out.after = RuleSwitches::on(RuleSwitches::Rule::tableRows) ? TableRows::joinRows(lines, lineHeight, out.order, numbers)
                                                                 : std::vector<std::ptrdiff_t>(n, -1);
    if (RuleSwitches::on(RuleSwitches::Rule::bridgedRows))
        BridgedRows::join(lines, lineHeight, out.order, out.after, numbers, rulings);
    if (RuleSwitches::on(RuleSwitches::Rule::numberedRests))
        joinRestsOfNumberedLines(lines, lineHeight, numbers, out);
    if (RuleSwitches::on(RuleSwitches::Rule::rowPieces))
        joinRowPieces(lines, lineHeight, numbers, out);
    return out;
}

} // namespace ReadingOrder
