#include "OcrHelper/LineTails.h"

#include <algorithm>

namespace LineTails {

namespace {

// The page comes with its weak strokes deepened to the darkness of strong ones, so one
// threshold holds for all of its ink.
constexpr int inkBelow = 128;

} // namespace

std::vector<Grown> grownLines(const Page& page, const std::vector<Box>& lines)
{
    std::vector<Grown> grown;
    for (size_t n = 0; n < lines.size(); ++n) {
        const Box& line = lines[n];
        const int height = line.bottom - line.top;
        if (height < 6 || line.top < 0 || line.bottom > page.height || line.left < 0 || line.right > page.width)
            continue;
        // The band's middle rows only: a neighbouring line's descenders or accents may
        // reach into its edges.
        const int top = line.top + height / 8, bottom = line.bottom - height / 8;
        // The other lines' boxes that cross the band: their ink is read already, and
        // where one stands across the whole band the line has ended.
        std::vector<const Box*> crossing;
        for (size_t k = 0; k < lines.size(); ++k)
            if (k != n && lines[k].top < bottom && lines[k].bottom > top)
                crossing.push_back(&lines[k]);
        const auto blocked = [&](int x) {
            return std::any_of(crossing.begin(), crossing.end(), [&](const Box* other) {
                return other->left <= x && x < other->right && other->top <= top && other->bottom >= bottom;
            });
        };
        const auto inkIn = [&](int x) {
            int ink = 0;
            for (int y = top; y < bottom; ++y) {
                const bool covered = std::any_of(crossing.begin(), crossing.end(), [&](const Box* other) {
                    return other->left <= x && x < other->right && other->top <= y && y < other->bottom;
                });
                ink += !covered && page.grey[size_t(y) * size_t(page.width) + size_t(x)] < inkBelow;
            }
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
            if (first < 0 || afterAnother || std::abs(last - first) * 2 + 2 < height || ink * 20 < height * height)
                continue;
            (step > 0 ? box.right : box.left) = step > 0 ? last + 1 : last;
        }
        if (box.left == line.left && box.right == line.right)
            continue;
        const int margin = std::max(2, height / 4);
        grown.push_back({n, {std::max(0, box.left - margin), std::max(0, line.top - margin), std::min(page.width, box.right + margin),
                             std::min(page.height, line.bottom + margin)}});
    }
    return grown;
}

} // namespace LineTails
