#include "OcrHelper/RulingLines.h"

#include "OcrHelper/HanText.h"

#include <algorithm>
#include <cstddef>

namespace RulingLines {

namespace {

// One way across the page: `along` pixels each of `across` lines, pixel (a, c) at
// page[a * alongStep + c * acrossStep].
struct Way {
    int along, across;
    std::ptrdiff_t alongStep, acrossStep;
};

// Every run of ink along the way at least shortestLine long, where in most of its
// places the ink across it is a hairline, turns to paper there.
void eraseAlong(std::vector<unsigned char>& page, const Way& way, unsigned char below)
{
    const auto ink = [&](int a, int c) { return page[size_t(a * way.alongStep + c * way.acrossStep)] < below; };
    // How wide the ink is across the way at (a, c), up to thickestLine + 1.
    const auto thickness = [&](int a, int c) {
        int first = c, last = c;
        while (first > 0 && ink(a, first - 1) && last - first <= thickestLine)
            --first;
        while (last + 1 < way.across && ink(a, last + 1) && last - first <= thickestLine)
            ++last;
        return last - first + 1;
    };
    std::vector<std::pair<int, int>> erased; // (along, across) of the pixels that turn to paper
    for (int c = 0; c < way.across; ++c) {
        int start = -1;
        for (int a = 0; a <= way.along; ++a) {
            const bool inRun = a < way.along && ink(a, c);
            if (inRun && start < 0)
                start = a;
            if (inRun || start < 0)
                continue;
            if (a - start >= shortestLine) {
                int thin = 0;
                for (int k = start; k < a; ++k)
                    thin += thickness(k, c) <= thickestLine;
                // Text touching the line at a few places leaves it a line.
                if (thin * 10 >= (a - start) * 7)
                    for (int k = start; k < a; ++k)
                        if (thickness(k, c) <= thickestLine)
                            erased.emplace_back(k, c);
            }
            start = -1;
        }
    }
    for (const auto& [a, c] : erased)
        page[size_t(a * way.alongStep + c * way.acrossStep)] = 255;
}

} // namespace

Lines find(const std::vector<unsigned char>& page, int width, int height, unsigned char below)
{
    Lines lines{std::vector<unsigned char>(page.size(), 0), width, height};
    if (width <= 0 || height <= 0 || page.size() < size_t(width) * size_t(height))
        return lines;
    // The vertical lines first: where a horizontal one crosses them, the crossing is
    // then as thin as the horizontal line, and goes with it.
    std::vector<unsigned char> paper = page;
    eraseAlong(paper, {height, width, width, 1}, below);
    eraseAlong(paper, {width, height, 1, width}, below);
    for (size_t i = 0; i < page.size(); ++i)
        lines.ink[i] = paper[i] != page[i];
    return lines;
}

namespace {

bool isRulingCharacter(char32_t c)
{
    return c == U'|' || c == U'_' || c == U'\u2014' || c == U'\u2013' || c == U'-' || c == U'[' || c == U']' || c == U'!' || c == U'l'
        || c == U'I';
}

// Whether a ruling line runs through `box` across most of its height or width.
bool onLine(const Readings::Box& box, const Lines& lines)
{
    const int left = std::max(box.left, 0), right = std::min(box.right, lines.width);
    const int top = std::max(box.top, 0), bottom = std::min(box.bottom, lines.height);
    if (right <= left || bottom <= top)
        return false;
    for (int x = left; x < right; ++x) {
        int down = 0;
        for (int y = top; y < bottom; ++y)
            down += lines.ink[size_t(y) * size_t(lines.width) + size_t(x)] != 0;
        if (down * 2 >= bottom - top)
            return true;
    }
    for (int y = top; y < bottom; ++y) {
        int along = 0;
        for (int x = left; x < right; ++x)
            along += lines.ink[size_t(y) * size_t(lines.width) + size_t(x)] != 0;
        if (along * 2 >= right - left)
            return true;
    }
    return false;
}

} // namespace

void dropRulings(Readings::LineReading& line, const Lines& lines)
{
    if (lines.ink.empty())
        return;
    const int height = line.box.bottom - line.box.top;
    // The line's text as the engine wrote it, each word replaced where it stands.
    std::string text;
    size_t cursor = 0;
    std::vector<Readings::WordReading> kept;
    for (Readings::WordReading& word : line.words) {
        const size_t at = word.text.empty() ? std::string::npos : line.text.find(word.text, cursor);
        if (at == std::string::npos) {
            kept.push_back(std::move(word));
            continue;
        }
        text += line.text.substr(cursor, at - cursor);
        cursor = at + word.text.size();
        std::u32string characters = HanText::decoded(word.text);
        if (std::all_of(characters.begin(), characters.end(), isRulingCharacter) && onLine(word.box, lines)) {
            while (!text.empty() && text.back() == ' ')
                text.pop_back();
            continue;
        }
        // A line read with the cell's text beside it: "|" or "_" at the word's end or
        // start, where a line runs near the end or start of the word's box (the boxes
        // of the Chinese models reach past the ink, or stop short of it by as much as a
        // character: "|。”-9.9%" boxed from its "-" on).
        const auto edge = [&](bool end) {
            return onLine(end ? Readings::Box{word.box.right - height, word.box.top, word.box.right + 2 * height, word.box.bottom}
                              : Readings::Box{word.box.left - 2 * height, word.box.top, word.box.left + height, word.box.bottom},
                          lines);
        };
        const auto barOrRule = [](char32_t c) { return c == U'|' || c == U'_'; };
        size_t first = 0, last = characters.size();
        if (edge(true))
            while (last > first + 1 && barOrRule(characters[last - 1]))
                --last;
        if (edge(false))
            while (first + 1 < last && barOrRule(characters[first]))
                ++first;
        word.text = HanText::encoded(characters.substr(first, last - first));
        text += word.text;
        kept.push_back(std::move(word));
    }
    text += line.text.substr(cursor);
    // A line that was all ruling begins with the blank that followed it.
    const size_t start = text.find_first_not_of(' ');
    line.text = start == std::string::npos ? std::string() : text.substr(start);
    line.words = std::move(kept);
}

} // namespace RulingLines
