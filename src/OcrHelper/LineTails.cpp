#include "OcrHelper/LineTails.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace LineTails {

namespace {

// The page comes with its weak strokes deepened to the darkness of strong ones, so one
// threshold holds for all of its ink.
constexpr int inkBelow = 128;

// The page's ink outside every line's box, each box a pixel wider all round: the
// antialiased edge of a line read is no ink of its own.
class Unread {
public:
    Unread(const Page& page, const std::vector<Box>& lines)
        : page_(page)
        , covered_(size_t(std::max(0, page.height)))
    {
        for (const Box& line : lines)
            for (int y = std::max(0, line.top - 1); y < std::min(page.height, line.bottom + 1); ++y)
                covered_[size_t(y)].emplace_back(line.left - 1, line.right + 1);
    }

    bool inkAt(int x, int y) const
    {
        if (page_.grey[size_t(y) * size_t(page_.width) + size_t(x)] >= inkBelow)
            return false;
        return std::none_of(covered_[size_t(y)].begin(), covered_[size_t(y)].end(),
                            [&](const std::pair<int, int>& span) { return span.first <= x && x < span.second; });
    }

private:
    Page page_;
    std::vector<std::vector<std::pair<int, int>>> covered_; // each row's spans under a line's box
};

// The box to read over ink [left, right) x [top, bottom) of a line `height` tall: a
// little larger all round, so that the engine sees the glyphs' edges, within the page.
Box toRead(const Page& page, int left, int top, int right, int bottom, int height)
{
    const int margin = std::max(2, height / 4);
    return {std::max(0, left - margin), std::max(0, top - margin), std::min(page.width, right + margin), std::min(page.height, bottom + margin)};
}

// The middle rows of a line's band, where the line is tall enough to judge and lies on
// the page: a neighbouring line's descenders or accents may reach into its edges.
std::optional<std::pair<int, int>> middleRows(const Page& page, const Box& line)
{
    const int height = line.bottom - line.top;
    if (height < 6 || line.top < 0 || line.bottom > page.height || line.left < 0 || line.right > page.width)
        return std::nullopt;
    return std::pair{line.top + height / 8, line.bottom - height / 8};
}

// Whether ink from column `first` to `last` (none: -1), `ink` pixels in all, is a
// glyph's worth for a line `height` tall: at least half a line height wide, and more
// than specks.
bool glyphsWorth(int first, int last, int ink, int height)
{
    return first >= 0 && std::abs(last - first) * 2 + 2 >= height && ink * 20 >= height * height;
}

} // namespace

std::vector<Grown> grownLines(const Page& page, const std::vector<Box>& lines)
{
    std::vector<Grown> grown;
    const Unread unread(page, lines);
    for (size_t n = 0; n < lines.size(); ++n) {
        const Box& line = lines[n];
        const auto rows = middleRows(page, line);
        if (!rows)
            continue;
        const int height = line.bottom - line.top;
        const int top = rows->first, bottom = rows->second;
        // Where another line's box stands across the whole band, the line has ended.
        const auto blocked = [&](int x) {
            return std::any_of(lines.begin(), lines.end(), [&](const Box& other) {
                return &other != &line && other.left <= x && x < other.right && other.top <= top && other.bottom >= bottom;
            });
        };
        const auto inkIn = [&](int x) {
            int ink = 0;
            for (int y = top; y < bottom; ++y)
                ink += unread.inkAt(x, y);
            return ink;
        };
        const int reach = 2 * height;
        Box box = line;
        for (const int step : {1, -1}) {
            int x = step > 0 ? line.right : line.left - 1;
            int first = -1, last = -1, gap = 0, ink = 0;
            for (; x >= 0 && x < page.width && gap <= reach && !blocked(x); x += step) {
                const int here = inkIn(x);
                if (here == 0) {
                    ++gap;
                    continue;
                }
                if (first < 0)
                    first = x;
                last = x;
                ink += here;
                gap = 0;
            }
            // Up to the line before it on the band: that line's rest.
            const bool afterAnother = step < 0 && x >= 0 && blocked(x);
            if (afterAnother || !glyphsWorth(first, last, ink, height))
                continue;
            (step > 0 ? box.right : box.left) = step > 0 ? last + 1 : last;
        }
        if (box.left == line.left && box.right == line.right)
            continue;
        grown.push_back({n, toRead(page, box.left, line.top, box.right, line.bottom, height)});
    }
    return grown;
}

std::vector<Grown> hollowLines(const Page& page, const std::vector<Box>& lines, const std::vector<std::vector<Box>>& words)
{
    std::vector<Grown> hollow;
    for (size_t n = 0; n < lines.size() && n < words.size(); ++n) {
        const Box& line = lines[n];
        const auto rows = middleRows(page, line);
        if (!rows)
            continue;
        const int height = line.bottom - line.top;
        const int top = rows->first, bottom = rows->second;
        std::vector<Box> inOrder = words[n];
        std::sort(inOrder.begin(), inOrder.end(), [](const Box& a, const Box& b) { return a.left < b.left; });
        bool lost = false;
        for (size_t k = 1; k < inOrder.size() && !lost; ++k) {
            // Between the two words, a pixel off each (their antialiased edges).
            int first = -1, last = -1, ink = 0;
            for (int x = std::max(0, inOrder[k - 1].right + 1); x < std::min(page.width, inOrder[k].left - 1); ++x) {
                int here = 0;
                for (int y = top; y < bottom; ++y)
                    here += page.grey[size_t(y) * size_t(page.width) + size_t(x)] < inkBelow;
                if (here == 0)
                    continue;
                if (first < 0)
                    first = x;
                last = x;
                ink += here;
            }
            lost = glyphsWorth(first, last, ink, height);
        }
        if (lost)
            hollow.push_back({n, toRead(page, line.left, line.top, line.right, line.bottom, height)});
    }
    return hollow;
}

std::vector<Box> lostLines(const Page& page, const std::vector<Box>& lines)
{
    std::vector<Box> lost;
    if (lines.empty() || page.width <= 0 || page.height <= 0)
        return lost;
    std::vector<int> heights;
    for (const Box& line : lines)
        heights.push_back(line.bottom - line.top);
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    const int lineHeight = heights[heights.size() / 2];
    if (lineHeight < 6)
        return lost;
    const Unread unread(page, lines);
    std::vector<bool> inked(size_t(page.height), false);
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width && !inked[size_t(y)]; ++x)
            inked[size_t(y)] = unread.inkAt(x, y);
    for (int y = 0; y < page.height;) {
        if (!inked[size_t(y)]) {
            ++y;
            continue;
        }
        const int top = y;
        while (y < page.height && inked[size_t(y)])
            ++y;
        const int bottom = y, height = bottom - top;
        if (height * 5 < lineHeight * 3 || height * 5 > lineHeight * 9)
            continue;
        // The band's glyphs: runs of inked columns. Stretches of them, parted where the
        // gap is wider than two band heights.
        int first = -1, last = -1, gap = 0, glyphs = 0;
        bool inGlyph = false;
        const auto close = [&] {
            if (first >= 0 && glyphs >= 3)
                lost.push_back(toRead(page, first, top, last + 1, bottom, height));
            first = last = -1;
            glyphs = 0;
        };
        for (int x = 0; x < page.width; ++x) {
            bool ink = false;
            for (int row = top; row < bottom && !ink; ++row)
                ink = unread.inkAt(x, row);
            if (!ink) {
                inGlyph = false;
                if (first >= 0 && ++gap > 2 * height)
                    close();
                continue;
            }
            if (!inGlyph)
                ++glyphs;
            inGlyph = true;
            gap = 0;
            if (first < 0)
                first = x;
            last = x;
        }
        close();
    }
    return lost;
}

} // namespace LineTails
